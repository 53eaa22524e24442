#include <dlfcn.h>

#include "platform/dynamic_library.h"

namespace vellum {

bool TDynamicLibrary::Load(const std::string& path) {
    Unload();
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

void TDynamicLibrary::Unload() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
}

void* TDynamicLibrary::Symbol(const char* name) const {
    return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

}  // namespace vellum
