// The platform's own cryptography, one seam: SHA-256 and the check of an ECDSA P-256 signature
// (CNG on Windows, OpenSSL's libcrypto elsewhere). Nothing here computes a digest or a curve
// operation itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/errcode.h"

namespace rt {

inline constexpr size_t kSha256Size = 32;
// An uncompressed P-256 point: 0x04, then X and Y of 32 bytes each.
inline constexpr size_t kP256PublicKeySize = 65;
// A signature as r and s of 32 bytes each, big-endian.
inline constexpr size_t kP256SignatureSize = 64;

// A running SHA-256. Any failure of the platform sticks: Final then gives it.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void Update(const void* data, size_t n);
    // kErrInternal when the platform failed at any step; the object is spent either way.
    ErrCode Final(uint8_t out[kSha256Size]);

private:
    struct Impl;
    Impl* impl_;
};

// The digest of n bytes at once.
ErrCode Sha256Of(const void* data, size_t n, uint8_t out[kSha256Size]);

// 0 when signature is key's ECDSA signature over digest (a SHA-256); kErrUserCheck when it is not
// (or the key is not a point of the curve); kErrInternal when the platform failed otherwise.
ErrCode VerifyP256(const uint8_t key[kP256PublicKeySize], const uint8_t digest[kSha256Size],
                   const uint8_t signature[kP256SignatureSize]);

}  // namespace rt
