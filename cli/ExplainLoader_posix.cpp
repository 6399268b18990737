#include "ExplainLoader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#if defined(__SANITIZE_ADDRESS__)
// The module draws through Pango, whose fontconfig keeps its font lists for
// the life of the process; the sanitizer reads this from the program, not
// from a module it loads.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

DrawExplanationFunction LoadExplainModule(std::string& error)
{
    std::error_code failure;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failure);
    if (failure) {
        error = "cannot find the program's own folder: " + failure.message();
        return nullptr;
    }
    const std::string module = (program.parent_path() / MAROVI_EXPLAIN_MODULE_DIR / kExplainModule).string();
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
