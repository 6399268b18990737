#include "ModuleLoader.h"

#include "platform/FileSystem.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// The program's own path, however long; empty with errno set when the system
// does not tell it.
std::string ProgramPath()
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

void* LoadModuleEntry(const char* module, const char* entryPoint, std::string& error)
{
    const std::string program = ProgramPath();
    if (program.empty()) {
        error = std::string("cannot find the program's own folder: ") + std::strerror(errno);
        return nullptr;
    }
    const std::string path = ParentFolder(program) + "/" MAROVI_MODULE_DIR "/" + module;
    // Every symbol now, so that a module that does not fit this program fails
    // here rather than halfway through a page.
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        error = reason ? reason : path;
        return nullptr;
    }
    void* entry = ::dlsym(handle, entryPoint);
    if (!entry) {
        error = path + ": no " + entryPoint;
        ::dlclose(handle);
        return nullptr;
    }
    return entry;
}
