// The signed manifest's text: writing, reading and checking it.
#include "protocol/manifest.h"

#include <cstdio>
#include <algorithm>
#include <cstring>

#include "protocol/file_name_check.h"
#include "runtime/dates.h"
#include "runtime/dir_search.h"
#include "runtime/number_text.h"
#include "runtime/whole_file.h"

namespace rt {

namespace {

bool ParseHex(std::string_view s, uint8_t* out, size_t n) {
    if (s.size() != 2 * n) return false;
    for (size_t i = 0; i < n; ++i) {
        const int hi = HexValue(s[2 * i]), lo = HexValue(s[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return true;
}

// A decimal of 1 to maxDigits digits, nothing else.
bool ParseDecimal(std::string_view s, size_t maxDigits, uint64_t* out) {
    if (s.empty() || s.size() > maxDigits) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    *out = v;
    return true;
}

// Splits the first blank-separated word off *rest.
std::string_view Word(std::string_view* rest) {
    const size_t blank = rest->find(' ');
    std::string_view w = rest->substr(0, blank);
    *rest = blank == std::string_view::npos ? std::string_view() : rest->substr(blank + 1);
    return w;
}

bool Field(std::string_view line, std::string_view key, std::string_view* value) {
    if (line.size() <= key.size() || line.compare(0, key.size(), key) != 0 || line[key.size()] != ' ') return false;
    *value = line.substr(key.size() + 1);
    return true;
}

bool ParseFileLine(std::string_view v, ManifestEntry* e) {
    uint64_t size = 0, date = 0, ms = 0;
    if (!ParseDecimal(Word(&v), 12, &size) || !ParseDecimal(Word(&v), 8, &date) || !ParseDecimal(Word(&v), 8, &ms))
        return false;
    if (!ParseHex(Word(&v), e->sha256, kSha256Size)) return false;
    if (v.empty() || v.size() > 0xFFFF || !StampPartsValid(static_cast<int32_t>(date), static_cast<int32_t>(ms)))
        return false;
    e->size = size;
    e->date = static_cast<int32_t>(date);
    e->ms = static_cast<int32_t>(ms);
    e->name.assign(v);
    if (CheckFileName(StrMake(e->name.data(), static_cast<uint16_t>(e->name.size()))) != 0) return false;
    for (char& c : e->name)
        if (c == '/') c = '\\';
    return true;
}

// A DER length at *p (short or one- or two-byte long form), within end.
bool DerLength(const uint8_t** p, const uint8_t* end, size_t* len) {
    if (*p >= end) return false;
    uint8_t first = *(*p)++;
    if (first < 0x80) {
        *len = first;
    } else if (first == 0x81 && *p < end) {
        *len = *(*p)++;
    } else {
        return false;
    }
    return *len <= static_cast<size_t>(end - *p);
}

// One INTEGER of at most 32 significant bytes, right-aligned into out.
bool DerInteger(const uint8_t** p, const uint8_t* end, uint8_t out[32]) {
    size_t len = 0;
    if (*p >= end || *(*p)++ != 0x02 || !DerLength(p, end, &len) || len == 0) return false;
    const uint8_t* v = *p;
    *p += len;
    if (v[0] & 0x80) return false;  // negative
    while (len > 1 && v[0] == 0) {
        ++v;
        --len;
    }
    if (len > 32) return false;
    std::memset(out, 0, 32);
    std::memcpy(out + 32 - len, v, len);
    return true;
}

}  // namespace

std::string FoldedName(std::string_view name) {
    std::string s(name);
    for (char& c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/') c = '\\';
        // The letters of Windows-1252 that have a case, as the file system pairs them: A-Z,
        // \xC0-\xDE but the multiplication sign, and \x8A \x8C \x8E \x9F.
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) c = static_cast<char>(u + 0x20);
        if (u == 0x8A || u == 0x8C || u == 0x8E) c = static_cast<char>(u + 0x10);
        if (u == 0x9F) c = static_cast<char>(0xFF);
    }
    return s;
}

bool ValidManifestFolder(std::string_view folder) {
    if (folder.empty() || folder.size() > 255) return false;
    for (size_t at = 0; at <= folder.size();) {
        const size_t end = std::min(folder.find('/', at), folder.size());
        const std::string_view name = folder.substr(at, end - at);
        if (name.empty() || name == "." || name == "..") return false;
        for (char c : name)
            if (c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
        at = end + 1;
    }
    return true;
}

bool ManifestFolderEnds(std::string_view folder, std::string_view path) {
    const std::string f = FoldedName(folder), p = FoldedName(path);
    if (f.empty() || p.size() < f.size() || p.compare(p.size() - f.size(), f.size(), f) != 0) return false;
    return p.size() == f.size() || p[p.size() - f.size() - 1] == '\\';
}

bool Manifest::Index() {
    index_.clear();
    index_.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i) index_.emplace(FoldedName(files[i].name), i);
    return index_.size() == files.size();
}

const ManifestEntry* Manifest::Find(std::string_view name) const {
    auto it = index_.find(FoldedName(name));
    return it == index_.end() ? nullptr : &files[it->second];
}

std::string HexText(const uint8_t* p, size_t n) {
    static const char kHex[] = "0123456789abcdef";
    std::string s(2 * n, '0');
    for (size_t i = 0; i < n; ++i) {
        s[2 * i] = kHex[p[i] >> 4];
        s[2 * i + 1] = kHex[p[i] & 15];
    }
    return s;
}

std::string FormatManifestBody(const Manifest& m) {
    std::string out;
    out.reserve(96 + m.files.size() * 120);
    char line[128];
    out += kManifestMagic;
    out += "\nfolder " + m.folder + "\n";
    std::snprintf(line, sizeof line, "sequence %llu\nexpires %08d\n", static_cast<unsigned long long>(m.sequence),
                  static_cast<int>(m.expires));
    out += line;
    for (const ManifestEntry& e : m.files) {
        std::snprintf(line, sizeof line, "file %llu %08d %d ", static_cast<unsigned long long>(e.size),
                      static_cast<int>(e.date), static_cast<int>(e.ms));
        out += line;
        out += HexText(e.sha256, kSha256Size);
        out += ' ';
        for (char c : e.name) out += c == '\\' ? '/' : c;
        out += '\n';
    }
    return out;
}

std::string ManifestSignatureLine(const uint8_t* der, size_t n) { return "signature " + HexText(der, n) + "\n"; }

ErrCode ParseManifest(const char* text, size_t len, Manifest* out, std::string* why) {
    Manifest m;
    auto fail = [&](size_t lineNo, const char* what) {
        *why = "manifest line " + std::to_string(lineNo) + ": " + what;
        return kErrUserCheck;
    };
    if (len > kMaxManifestBytes) return fail(0, "larger than any folder needs");
    const std::string_view all(text, len);
    size_t at = 0, lineNo = 0;
    bool signedSeen = false;
    while (at < all.size()) {
        ++lineNo;
        size_t end = all.find('\n', at);
        const bool lastLine = end == std::string_view::npos;
        if (lastLine) end = all.size();
        const std::string_view line = all.substr(at, end - at);
        const size_t lineStart = at;
        at = lastLine ? all.size() : end + 1;
        std::string_view v;
        if (signedSeen) return fail(lineNo, "bytes after the signature");
        if (lineNo == 1) {
            if (line != kManifestMagic) return fail(lineNo, "not a manifest of this format");
        } else if (lineNo == 2) {
            if (!Field(line, "folder", &v) || !ValidManifestFolder(v)) return fail(lineNo, "no folder");
            m.folder.assign(v);
        } else if (lineNo == 3) {
            if (!Field(line, "sequence", &v) || !ParseDecimal(v, 18, &m.sequence)) return fail(lineNo, "no sequence");
        } else if (lineNo == 4) {
            uint64_t d = 0;
            if (!Field(line, "expires", &v) || !ParseDecimal(v, 8, &d) || !ValidDate(static_cast<int32_t>(d)))
                return fail(lineNo, "no expiry date");
            m.expires = static_cast<int32_t>(d);
        } else if (Field(line, "file", &v)) {
            ManifestEntry e;
            if (!ParseFileLine(v, &e)) return fail(lineNo, "not a file entry");
            m.files.push_back(std::move(e));
        } else if (Field(line, "signature", &v)) {
            uint8_t der[80];
            const size_t derLen = v.size() / 2;
            if (derLen > sizeof der || !ParseHex(v, der, derLen) || !DerToRawSignature(der, derLen, m.signature))
                return fail(lineNo, "not an ECDSA P-256 signature");
            m.signedLength = lineStart;
            signedSeen = true;
        } else {
            return fail(lineNo, "unknown line");
        }
    }
    if (!signedSeen) return fail(lineNo, "no signature");
    if (!m.Index()) return fail(0, "a file named twice");
    *out = std::move(m);
    return kOk;
}

ErrCode VerifyManifest(const Manifest& m, const char* text, const uint8_t key[kP256PublicKeySize]) {
    uint8_t digest[kSha256Size];
    if (ErrCode err = Sha256Of(text, m.signedLength, digest)) return err;
    return VerifyP256(key, digest, m.signature);
}

bool DerToRawSignature(const uint8_t* der, size_t n, uint8_t out[kP256SignatureSize]) {
    const uint8_t* p = der;
    const uint8_t* end = der + n;
    size_t len = 0;
    if (n < 2 || *p++ != 0x30 || !DerLength(&p, end, &len) || p + len != end) return false;
    return DerInteger(&p, end, out) && DerInteger(&p, end, out + 32) && p == end;
}

std::vector<PublicKey> ParsePublicKeys(std::string_view text) {
    std::vector<PublicKey> keys;
    bool bad = false;
    ForEachLine(text, [&](std::string_view line) {
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos) return true;
        line = line.substr(first, line.find_last_not_of(" \t\r") + 1 - first);
        PublicKey k;
        bad = keys.size() == kMaxPublicKeys || !ParseHex(line, k.data(), k.size()) || k[0] != 0x04;
        if (!bad) keys.push_back(k);
        return !bad;
    });
    if (bad) return {};
    return keys;
}

}  // namespace rt
