#include "foundation/SharedLibrary.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace morvex {

SharedLibrary::SharedLibrary(const char* soname) : soname_(soname) {
    handle_ = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* error = ::dlerror();
        failure_ = soname_ + " cannot be loaded: " + (error ? error : "unknown error");
    }
}

void* SharedLibrary::symbol(const char* name) {
    if (!handle_) return nullptr;
    void* found = ::dlsym(handle_, name);
    if (!found && failure_.empty()) failure_ = soname_ + " lacks " + name;
    return found;
}

void SharedLibrary::require() const {
    if (failure_.empty()) return;
    std::fprintf(stderr, "%s\n", failure_.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace morvex
