// Key generation and folder signing with OpenSSL's libcrypto.
#include "server/signing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "protocol/manifest.h"
#include "runtime/crypto.h"
#include "runtime/dates.h"
#include "runtime/whole_file.h"
#include "server/folder_walk.h"

namespace rt {

namespace {

struct PkeyFree { void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); } };
struct MdCtxFree { void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); } };
struct FileClose { void operator()(FILE* f) const { std::fclose(f); } };
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;

ErrCode Fail(ErrCode code, std::string* why, std::string text) {
    *why = std::move(text);
    return code;
}

bool PublicPoint(EVP_PKEY* key, uint8_t out[kP256PublicKeySize]) {
    char group[32] = {};
    size_t len = 0;
    if (EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, &len) != 1) return false;
    if (std::string(group) != "prime256v1" && std::string(group) != "P-256") return false;
    EVP_PKEY_set_utf8_string_param(key, OSSL_PKEY_PARAM_EC_POINT_CONVERSION_FORMAT, "uncompressed");
    return EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, out, kP256PublicKeySize, &len) == 1 &&
           len == kP256PublicKeySize && out[0] == 0x04;
}

// Writes text to path through a temporary file beside it and a rename.
ErrCode ReplaceFileWith(const std::string& path, const std::string& text, mode_t mode, std::string* why) {
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return Fail(kErrFileIo, why, "cannot write " + temp);
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w <= 0) break;
        done += static_cast<size_t>(w);
    }
    const bool ok = done == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return Fail(kErrFileIo, why, "cannot write " + path);
    }
    return kOk;
}

ErrCode DigestFile(const std::string& path, uint8_t out[kSha256Size]) {
    std::unique_ptr<FILE, FileClose> f(std::fopen(path.c_str(), "rb"));
    if (!f) return kErrFileNotFound;
    Sha256 h;
    std::vector<char> buf(1 << 16);
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), f.get())) > 0) h.Update(buf.data(), n);
    if (std::ferror(f.get())) return kErrDiskIo;
    return h.Final(out);
}

int32_t DateAfterDays(int days) {
    const std::time_t t = std::time(nullptr) + static_cast<std::time_t>(days) * 86400;
    std::tm local{};
    localtime_r(&t, &local);
    return (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}

// The name of the folder itself: "." or a trailing "/.." names another folder than their text.
std::string FolderName(const std::string& folder) {
    char* real = ::realpath(folder.c_str(), nullptr);
    std::string f = real ? real : folder;
    std::free(real);
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    const size_t slash = f.find_last_of('/');
    return slash == std::string::npos ? f : f.substr(slash + 1);
}

}  // namespace

ErrCode GenerateSigningKey(const std::string& keyPath, std::string* publicText, std::string* why) {
    Pkey key(EVP_EC_gen("P-256"));
    uint8_t point[kP256PublicKeySize];
    if (!key || !PublicPoint(key.get(), point)) return Fail(kErrInternal, why, "OpenSSL made no P-256 key");
    // Never over an existing key: that would lose the key the desktops trust.
    const int fd = ::open(keyPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return Fail(errno == EEXIST ? kErrFileExist : kErrFileIo, why, "cannot create " + keyPath);
    std::unique_ptr<FILE, FileClose> f(fdopen(fd, "wb"));
    if (!f) {
        ::close(fd);
        return Fail(kErrFileIo, why, "cannot write " + keyPath);
    }
    if (PEM_write_PrivateKey(f.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 || std::fflush(f.get()) != 0)
        return Fail(kErrFileIo, why, "cannot write " + keyPath);
    *publicText = HexText(point, kP256PublicKeySize) + "\n";
    return ReplaceFileWith(keyPath + ".pub", *publicText, 0644, why);
}

ErrCode SignFolder(const SignOptions& options, std::string* summary, std::string* why) {
    if (options.validDays < 1 || options.validDays > 3660)
        return Fail(kErrBadInput, why, "--valid-days wants 1 to 3660 days");
    Pkey key;
    {
        std::unique_ptr<FILE, FileClose> f(std::fopen(options.keyPath.c_str(), "rb"));
        if (!f) return Fail(kErrFileNotFound, why, "cannot read the key " + options.keyPath);
        key.reset(PEM_read_PrivateKey(f.get(), nullptr, nullptr, nullptr));
    }
    uint8_t point[kP256PublicKeySize];
    if (!key || !PublicPoint(key.get(), point))
        return Fail(kErrBadInput, why, options.keyPath + " is not a P-256 private key in PEM");

    std::vector<PublishedFile> files;
    if (WalkFolder(options.folder, options.folder, [](std::string_view) { return true; }, &files) != kOk)
        return Fail(kErrFileNotFound, why, "cannot read the folder " + options.folder);
    const std::string manifestPath = options.folder + "/" + kManifestName;

    Manifest m;
    m.folder = options.path.empty() ? FolderName(options.folder) : options.path;
    if (!ValidManifestFolder(m.folder))
        return Fail(kErrBadInput, why, "--path wants the folder's published path, names joined by '/': not " + m.folder);
    m.expires = DateAfterDays(options.validDays);
    m.sequence = options.sequence;
    uint64_t present = 0;
    {
        std::string old, oldWhy;
        Manifest previous;
        if (ReadSmallFile(manifestPath.c_str(), kMaxManifestBytes, &old) == kOk &&
            ParseManifest(old.data(), old.size(), &previous, &oldWhy) == kOk)
            present = previous.sequence;
    }
    if (m.sequence == 0) {
        m.sequence = std::max<uint64_t>(present + 1, static_cast<uint64_t>(std::time(nullptr)));
    } else if (m.sequence < present && !options.force) {
        return Fail(kErrBadInput, why,
                    "the folder's manifest has the sequence " + std::to_string(present) + ": desktops that took it "
                    "refuse a lower one (174) until the folder is signed at " + std::to_string(present) +
                    " or more again; --force signs it anyway");
    }
    if (m.sequence > kMaxManifestSequence) return Fail(kErrBadInput, why, "the sequence number is too large");
    uint64_t bytes = 0;
    for (const PublishedFile& f : files) {
        if (f.name == kManifestName) continue;
        ManifestEntry e;
        e.name = f.name;
        e.size = f.info.size;
        e.date = f.info.writeDate;
        e.ms = f.info.writeTime;
        std::string path = f.name;
        for (char& c : path)
            if (c == '\\') c = '/';
        if (ErrCode err = DigestFile(options.folder + "/" + path, e.sha256)) return Fail(err, why, "cannot read " + path);
        bytes += e.size;
        m.files.push_back(std::move(e));
    }
    const std::string body = FormatManifestBody(m);
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    size_t derLen = 0;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
        EVP_DigestSign(ctx.get(), nullptr, &derLen, reinterpret_cast<const uint8_t*>(body.data()), body.size()) != 1)
        return Fail(kErrInternal, why, "OpenSSL could not sign");
    std::vector<uint8_t> der(derLen);
    if (EVP_DigestSign(ctx.get(), der.data(), &derLen, reinterpret_cast<const uint8_t*>(body.data()), body.size()) != 1)
        return Fail(kErrInternal, why, "OpenSSL could not sign");
    if (ErrCode err = ReplaceFileWith(manifestPath, body + ManifestSignatureLine(der.data(), derLen), 0644, why))
        return err;
    char text[200];
    std::snprintf(text, sizeof text, "%zu files, %llu bytes, sequence %llu, good until %08d, published at ",
                  m.files.size(), static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(m.sequence),
                  static_cast<int>(m.expires));
    *summary = text + m.folder;
    return kOk;
}

}  // namespace rt
