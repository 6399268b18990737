#include "ExplainLoader.h"

#include "platform/FileSystem.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// The module draws through Pango, whose fontconfig keeps its font lists for
// the life of the process; the sanitizer reads this from the program, not
// from a module it loads.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

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

DrawExplanationFunction LoadExplainModule(std::string& error)
{
    const std::string program = ProgramPath();
    if (program.empty()) {
        error = std::string("cannot find the program's own folder: ") + std::strerror(errno);
        return nullptr;
    }
    const std::string module = ParentFolder(program) + "/" MAROVI_EXPLAIN_MODULE_DIR "/" + kExplainModule;
    // Every symbol now, so that a module that does not fit this program fails
    // here rather than halfway through a page.
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        error = reason ? reason : module;
        return nullptr;
    }
    void* entry = ::dlsym(handle, kExplainEntryPoint);
    if (!entry) {
        error = module + ": no " + kExplainEntryPoint;
        ::dlclose(handle);
        return nullptr;
    }
    return reinterpret_cast<DrawExplanationFunction>(entry);
}
