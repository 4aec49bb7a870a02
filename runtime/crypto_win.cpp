// SHA-256 and ECDSA P-256 checks through Windows' CNG (bcrypt).
#include "runtime/crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>

namespace rt {

namespace {

constexpr NTSTATUS kStatusSuccess = 0;
constexpr NTSTATUS kStatusInvalidSignature = static_cast<NTSTATUS>(0xC000A000L);

// An algorithm provider for the life of the process: opening one costs more than a small file's
// digest, and an update digests every file it stages.
class Provider {
public:
    explicit Provider(LPCWSTR algorithm) {
        if (BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, 0) != kStatusSuccess) handle_ = nullptr;
    }
    ~Provider() {
        if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    BCRYPT_ALG_HANDLE get() const { return handle_; }
private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

BCRYPT_ALG_HANDLE Sha256Provider() {
    static Provider p(BCRYPT_SHA256_ALGORITHM);
    return p.get();
}

class KeyHandle {
public:
    KeyHandle() = default;
    ~KeyHandle() {
        if (handle_) BCryptDestroyKey(handle_);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    BCRYPT_KEY_HANDLE* out() { return &handle_; }
    BCRYPT_KEY_HANDLE get() const { return handle_; }
private:
    BCRYPT_KEY_HANDLE handle_ = nullptr;
};

}  // namespace

struct Sha256::Impl {
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool failed = false;
};

Sha256::Sha256() : impl_(new Impl) {
    BCRYPT_ALG_HANDLE alg = Sha256Provider();
    impl_->failed = !alg || BCryptCreateHash(alg, &impl_->hash, nullptr, 0, nullptr, 0, 0) != kStatusSuccess;
}

Sha256::~Sha256() {
    if (impl_->hash) BCryptDestroyHash(impl_->hash);
    delete impl_;
}

void Sha256::Update(const void* data, size_t n) {
    // CNG takes a ULONG per call.
    const auto* p = static_cast<const uint8_t*>(data);
    while (!impl_->failed && n) {
        const ULONG part = n > 0x40000000u ? 0x40000000u : static_cast<ULONG>(n);
        impl_->failed = BCryptHashData(impl_->hash, const_cast<PUCHAR>(p), part, 0) != kStatusSuccess;
        p += part;
        n -= part;
    }
}

ErrCode Sha256::Final(uint8_t out[kSha256Size]) {
    const bool ok = !impl_->failed && BCryptFinishHash(impl_->hash, out, kSha256Size, 0) == kStatusSuccess;
    impl_->failed = true;  // spent
    return ok ? kOk : kErrInternal;
}

ErrCode VerifyP256(const uint8_t key[kP256PublicKeySize], const uint8_t digest[kSha256Size],
                   const uint8_t signature[kP256SignatureSize]) {
    if (key[0] != 0x04) return kErrUserCheck;
    Provider ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!ecdsa.get()) return kErrInternal;
    struct {
        BCRYPT_ECCKEY_BLOB header;
        uint8_t xy[kP256PublicKeySize - 1];
    } blob;
    blob.header.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    blob.header.cbKey = 32;
    std::memcpy(blob.xy, key + 1, sizeof blob.xy);
    KeyHandle k;
    // A point off the curve is refused here: a bad key, not a failure of the platform.
    if (BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, k.out(), reinterpret_cast<PUCHAR>(&blob),
                            sizeof blob, 0) != kStatusSuccess)
        return kErrUserCheck;
    const NTSTATUS s = BCryptVerifySignature(k.get(), nullptr, const_cast<PUCHAR>(digest), kSha256Size,
                                             const_cast<PUCHAR>(signature), kP256SignatureSize, 0);
    if (s == kStatusSuccess) return kOk;
    return s == kStatusInvalidSignature ? kErrUserCheck : kErrInternal;
}

}  // namespace rt
