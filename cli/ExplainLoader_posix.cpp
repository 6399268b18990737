#include "ExplainLoader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

DrawExplanationFunction LoadExplainModule(std::string& error)
{
    std::error_code failure;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failure);
    if (failure) {
        error = "cannot find the program's own folder: " + failure.message();
        return nullptr;
    }
    const std::string module = (program.parent_path() / ".." / "lib" / kExplainModule).string();
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
