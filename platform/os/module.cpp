#include "platform/os/module.h"

#include <dlfcn.h>

namespace Platform::Os {

void* loadModule(const std::string& path, std::string& error)
{
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* e = ::dlerror();
        error = e ? e : "unknown error";
    }
    return handle;
}

void* findSymbol(void* module, const char* name)
{
    return module ? ::dlsym(module, name) : nullptr;
}

void* findSymbol(void* module, const char* name, std::string& error)
{
    if (!module) {
        error = "no module";
        return nullptr;
    }
    ::dlerror();
    void* symbol = ::dlsym(module, name);
    if (!symbol) {
        const char* e = ::dlerror();
        error = e ? e : "undefined symbol";
    }
    return symbol;
}

void freeModule(void* module)
{
    if (module)
        ::dlclose(module);
}

std::string moduleNameOf(const void* address)
{
    Dl_info info {};
    if (!::dladdr(address, &info) || !info.dli_fname || !*info.dli_fname)
        return {};
    std::string path = info.dli_fname;
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace Platform::Os
