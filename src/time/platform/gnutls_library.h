#pragma once

#include <gnutls/crypto.h>
#include <gnutls/gnutls.h>
#include <gnutls/x509.h>

namespace hodra::nts {

// The GnuTLS functions Network Time Security uses. The library is loaded on first use:
// only nts:// servers need it, and a program that never meets one (the clock window at
// its start, a plain run of the helper) does not pay for loading and initialising it.
// clang-format off
#define HODRA_GNUTLS_FUNCTIONS(F) \
    F(gnutls_aead_cipher_init) \
    F(gnutls_aead_cipher_deinit) \
    F(gnutls_aead_cipher_encrypt) \
    F(gnutls_aead_cipher_decrypt) \
    F(gnutls_certificate_allocate_credentials) \
    F(gnutls_certificate_free_credentials) \
    F(gnutls_certificate_set_x509_system_trust) \
    F(gnutls_certificate_set_x509_trust_mem) \
    F(gnutls_init) \
    F(gnutls_deinit) \
    F(gnutls_priority_set_direct) \
    F(gnutls_credentials_set) \
    F(gnutls_alpn_set_protocols) \
    F(gnutls_alpn_get_selected_protocol) \
    F(gnutls_server_name_set) \
    F(gnutls_session_set_verify_cert) \
    F(gnutls_session_get_verify_cert_status) \
    F(gnutls_certificate_get_peers) \
    F(gnutls_x509_crt_init) \
    F(gnutls_x509_crt_import) \
    F(gnutls_x509_crt_get_expiration_time) \
    F(gnutls_x509_crt_deinit) \
    F(gnutls_certificate_verification_status_print) \
    F(gnutls_transport_set_int2) \
    F(gnutls_handshake) \
    F(gnutls_record_get_direction) \
    F(gnutls_record_send) \
    F(gnutls_record_recv) \
    F(gnutls_prf_rfc5705) \
    F(gnutls_bye) \
    F(gnutls_strerror)
// clang-format on

struct GnuTls {
#define HODRA_GNUTLS_MEMBER(name) decltype(&::name) name = nullptr;
    HODRA_GNUTLS_FUNCTIONS(HODRA_GNUTLS_MEMBER)
#undef HODRA_GNUTLS_MEMBER
    gnutls_free_function* free = nullptr;  // a variable of the library's, not a function
};

// The library's functions, or nothing when it cannot be loaded (then NTS fails its hosts).
const GnuTls* LoadGnuTls();

}  // namespace hodra::nts
