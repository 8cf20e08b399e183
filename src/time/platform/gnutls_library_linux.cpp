#include "time/platform/gnutls_library.h"

#include <dlfcn.h>

namespace hodra::nts {
namespace {

// The soname of the GnuTLS the build was made with; a program holding a capability finds it in
// the system's library directories only.
constexpr char kLibrary[] = "libgnutls.so.30";

GnuTls* Load() {
    void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return nullptr;
    }
    static GnuTls tls;
    bool complete = true;
#define HODRA_GNUTLS_RESOLVE(name)                                         \
    tls.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name)); \
    complete = complete && tls.name != nullptr;
    HODRA_GNUTLS_FUNCTIONS(HODRA_GNUTLS_RESOLVE)
#undef HODRA_GNUTLS_RESOLVE
    tls.free = static_cast<gnutls_free_function*>(dlsym(library, "gnutls_free"));
    return complete && tls.free != nullptr ? &tls : nullptr;
}

}  // namespace

const GnuTls* LoadGnuTls() {
    static const GnuTls* const loaded = Load();
    return loaded;
}

}  // namespace hodra::nts
