#include "time/aes_siv.h"

#include "time/platform/gnutls_library.h"

namespace hodra::nts {
namespace {

gnutls_aead_cipher_hd_t Handle(void* h) {
    return static_cast<gnutls_aead_cipher_hd_t>(h);
}

}  // namespace

AesSivCmac256::AesSivCmac256(const Key& key) : tls(LoadGnuTls()) {
    gnutls_datum_t datum{const_cast<unsigned char*>(key.data()), static_cast<unsigned>(key.size())};
    gnutls_aead_cipher_hd_t h = nullptr;
    if (tls != nullptr && tls->gnutls_aead_cipher_init(&h, GNUTLS_CIPHER_AES_128_SIV, &datum) == 0) {
        handle = h;
    }
}

AesSivCmac256::~AesSivCmac256() {
    if (handle != nullptr) {
        tls->gnutls_aead_cipher_deinit(Handle(handle));
    }
}

std::optional<std::vector<std::uint8_t>> AesSivCmac256::Seal(const std::vector<std::uint8_t>& nonce,
                                                             const std::uint8_t* associated, std::size_t associatedSize,
                                                             const std::vector<std::uint8_t>& plaintext) const {
    if (handle == nullptr) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out(plaintext.size() + kTagSize);
    std::size_t outSize = out.size();
    if (tls->gnutls_aead_cipher_encrypt(Handle(handle), nonce.data(), nonce.size(), associated, associatedSize,
                                        kTagSize, plaintext.data(), plaintext.size(), out.data(), &outSize) != 0) {
        return std::nullopt;
    }
    out.resize(outSize);
    return out;
}

std::optional<std::vector<std::uint8_t>> AesSivCmac256::Open(const std::uint8_t* nonce, std::size_t nonceSize,
                                                             const std::uint8_t* associated, std::size_t associatedSize,
                                                             const std::uint8_t* ciphertext,
                                                             std::size_t ciphertextSize) const {
    if (handle == nullptr || ciphertextSize < kTagSize || nonceSize == 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out(ciphertextSize);
    std::size_t outSize = out.size();
    if (tls->gnutls_aead_cipher_decrypt(Handle(handle), nonce, nonceSize, associated, associatedSize, kTagSize,
                                        ciphertext, ciphertextSize, out.data(), &outSize) != 0) {
        return std::nullopt;
    }
    out.resize(outSize);
    return out;
}

}  // namespace hodra::nts
