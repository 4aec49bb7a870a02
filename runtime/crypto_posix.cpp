// SHA-256 and ECDSA P-256 checks through OpenSSL's libcrypto.
#include "runtime/crypto.h"

#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/core_names.h>
#include <openssl/params.h>

#include <memory>

namespace rt {

namespace {

struct MdCtxFree { void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); } };
struct PkeyFree { void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); } };
struct PkeyCtxFree { void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); } };
struct SigFree { void operator()(ECDSA_SIG* s) const { ECDSA_SIG_free(s); } };

}  // namespace

struct Sha256::Impl {
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx{EVP_MD_CTX_new()};
    bool failed = false;
};

Sha256::Sha256() : impl_(new Impl) {
    impl_->failed = !impl_->ctx || EVP_DigestInit_ex(impl_->ctx.get(), EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() { delete impl_; }

void Sha256::Update(const void* data, size_t n) {
    if (!impl_->failed && n) impl_->failed = EVP_DigestUpdate(impl_->ctx.get(), data, n) != 1;
}

ErrCode Sha256::Final(uint8_t out[kSha256Size]) {
    unsigned len = 0;
    if (impl_->failed || EVP_DigestFinal_ex(impl_->ctx.get(), out, &len) != 1 || len != kSha256Size) {
        impl_->failed = true;
        return kErrInternal;
    }
    impl_->failed = true;  // spent
    return kOk;
}

ErrCode VerifyP256(const uint8_t key[kP256PublicKeySize], const uint8_t digest[kSha256Size],
                   const uint8_t signature[kP256SignatureSize]) {
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, const_cast<char*>("prime256v1"), 0),
        OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, const_cast<uint8_t*>(key), kP256PublicKeySize),
        OSSL_PARAM_construct_end()};
    std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree> make(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* raw = nullptr;
    if (!make || EVP_PKEY_fromdata_init(make.get()) != 1) return kErrInternal;
    // A point off the curve is refused here: a bad key, not a failure of the platform.
    if (EVP_PKEY_fromdata(make.get(), &raw, EVP_PKEY_PUBLIC_KEY, params) != 1) return kErrUserCheck;
    std::unique_ptr<EVP_PKEY, PkeyFree> pkey(raw);
    std::unique_ptr<ECDSA_SIG, SigFree> sig(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(signature, 32, nullptr);
    BIGNUM* s = BN_bin2bn(signature + 32, 32, nullptr);
    if (!sig || !r || !s || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return kErrInternal;
    }
    unsigned char der[80];
    unsigned char* p = der;
    const int derLen = i2d_ECDSA_SIG(sig.get(), &p);
    if (derLen <= 0 || derLen > static_cast<int>(sizeof der)) return kErrInternal;
    std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree> check(EVP_PKEY_CTX_new(pkey.get(), nullptr));
    if (!check || EVP_PKEY_verify_init(check.get()) != 1) return kErrInternal;
    const int ok = EVP_PKEY_verify(check.get(), der, static_cast<size_t>(derLen), digest, kSha256Size);
    return ok == 1 ? kOk : kErrUserCheck;
}

}  // namespace rt
