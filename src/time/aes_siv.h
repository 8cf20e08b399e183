#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace hodra::nts {

struct GnuTls;

// AEAD_AES_SIV_CMAC_256 (RFC 5297), GnuTLS's AES-128-SIV: the ciphertext is the 16-byte
// synthetic IV followed by the encrypted plaintext.
class AesSivCmac256 {
public:
    static constexpr std::size_t kKeySize = 32;
    static constexpr std::size_t kTagSize = 16;
    using Key = std::array<std::uint8_t, kKeySize>;

    explicit AesSivCmac256(const Key& key);
    ~AesSivCmac256();
    AesSivCmac256(const AesSivCmac256&) = delete;
    AesSivCmac256& operator=(const AesSivCmac256&) = delete;

    bool Usable() const { return handle != nullptr; }
    std::optional<std::vector<std::uint8_t>> Seal(const std::vector<std::uint8_t>& nonce,
                                                  const std::uint8_t* associated, std::size_t associatedSize,
                                                  const std::vector<std::uint8_t>& plaintext) const;
    // The plaintext, or nothing when the ciphertext does not authenticate.
    std::optional<std::vector<std::uint8_t>> Open(const std::uint8_t* nonce, std::size_t nonceSize,
                                                  const std::uint8_t* associated, std::size_t associatedSize,
                                                  const std::uint8_t* ciphertext, std::size_t ciphertextSize) const;

private:
    const GnuTls* tls;
    void* handle = nullptr;  // gnutls_aead_cipher_hd_t
};

}  // namespace hodra::nts
