// The signature check of an update's source: key, manifest, list, staged files and sequence.
#include "updater/signed_source.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/clock.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/log.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/whole_file.h"
#include "script/script_file.h"
#include "updater/credentials.h"
#include "updater/startup.h"

namespace rt {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The whole file, when it has at most limit bytes: 0, kErrFileNotFound, kErrDataOutBound or the
// read's code.
ErrCode ReadSmallFile(const char* path, size_t limit, std::string* out) {
    FsFile f;
    if (ErrCode err = f.Open(path, kFsRead)) return err;
    uint64_t length = 0;
    if (ErrCode err = f.Length(&length)) return err;
    if (length > limit) return kErrDataOutBound;
    out->assign(static_cast<size_t>(length), '\0');
    uint32_t got = 0;
    if (length == 0) return 0;
    if (ErrCode err = f.Read(out->data(), static_cast<uint32_t>(length), &got)) return err;
    return got == length ? 0 : kErrDataOutBound;
}

std::string Text(StrRef s) { return s.ok() ? std::string(s.ptr, s.len) : std::string(); }

// The folder a source names: the last component of its path (of its "path=" value for an
// address with a query), without trailing separators.
std::string SourceFolderName(const std::string& source) {
    std::string path = source;
    const size_t query = path.find('?');
    if (query != std::string::npos) {
        const size_t at = Lower(path).find("path=", query);
        path = at == std::string::npos ? std::string() : path.substr(at + 5, path.find('&', at) - at - 5);
    }
    while (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    const size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

int32_t TodayNumber() {
    const ClockTime now = ClockLocalNow();
    return now.year * 10000 + now.month * 100 + now.day;
}

// The sequence file's lines other than source's, and source's number (0 when absent).
uint64_t ReadSequences(const std::string& source, std::string* others) {
    std::string text;
    if (ReadSmallFile(kSequenceFileName, kMaxSequenceFile, &text) != 0) return 0;
    uint64_t found = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t blank = line.find(' ');
        // A line this program did not write is dropped rather than trusted.
        if (blank == 0 || blank == std::string::npos || blank > 18 ||
            line.find_first_not_of("0123456789") != blank)
            continue;
        if (line.compare(blank + 1, std::string::npos, source) == 0) {
            found = std::strtoull(line.c_str(), nullptr, 10);
        } else if (others) {
            *others += line + "\r\n";
        }
    }
    return found;
}

}  // namespace

StrRef PublicKeyPath() {
    uint16_t mark = PoolMark();
    StrRef nick = AppNick();
    if (!nick.ok() || nick.len == 0) nick = StrFromLiteral(kCredentialsFile);
    return PoolReturn(mark, ScriptFilePath(WithExtension(nick, StrFromLiteral(kPublicKeyExtension))));
}

uint64_t AcceptedSequence(const std::string& source) { return ReadSequences(source, nullptr); }

ErrCode SourceSignature::Refuse(const std::string& why) const {
    PoolScope scope;
    // An address with a query may carry a user and password: only the part before it is shown.
    const std::string shown = source_.substr(0, source_.find('?'));
    const std::string text = "Signature of " + shown + " refused: " + why;
    return RecordAndReport(kErrUserCheck, kModStreams, StrMake(text.data(), static_cast<uint16_t>(std::min<size_t>(text.size(), kMaxText))));
}

ErrCode SourceSignature::Begin(StrRef source) {
    active_ = false;
    source_ = Lower(Text(source));
    PoolScope scope;
    const StrRef keyPath = PublicKeyPath();
    if (!keyPath.ok()) return StrError(keyPath);
    const std::string path = Text(keyPath);
    std::string text;
    const ErrCode err = ReadSmallFile(path.c_str(), 4096, &text);
    if (err == kErrFileNotFound) return 0;
    active_ = true;
    if (err == 0) keys_ = ParsePublicKeys(text);
    if (keys_.empty()) return Refuse(path + " holds no public key the updater can read");
    return 0;
}

ErrCode SourceSignature::Accept(std::string_view text) {
    if (text.empty()) return Refuse("the source offers no signed manifest (" + std::string(kManifestName) + ")");
    std::string why;
    if (ParseManifest(text.data(), text.size(), &manifest_, &why) != 0) return Refuse(why);
    ErrCode verified = kErrUserCheck;
    for (size_t i = 0; i < keys_.size() && verified == kErrUserCheck; ++i)
        verified = VerifyManifest(manifest_, text.data(), keys_[i].data());
    if (verified == kErrInternal) return Refuse("the system could not check the signature");
    if (verified != 0) return Refuse("the manifest is not signed by a key beside the updater");
    if (Lower(manifest_.folder) != Lower(SourceFolderName(source_)))
        return Refuse("the manifest is the folder " + manifest_.folder + "'s");
    if (manifest_.expires < TodayNumber())
        return Refuse("the manifest expired on " + std::to_string(manifest_.expires));
    const uint64_t accepted = AcceptedSequence(source_);
    if (manifest_.sequence < accepted)
        return Refuse("the manifest's sequence " + std::to_string(manifest_.sequence) + " is older than the " +
                      std::to_string(accepted) + " accepted before");
    return 0;
}

ErrCode SourceSignature::AcceptFromFolder(StrRef folder) {
    std::string path;
    {
        PoolScope scope;
        path = Text(PathJoin(folder, StrFromLiteral(kManifestName)));
    }
    std::string text;
    const ErrCode err = ReadSmallFile(path.c_str(), kMaxManifestBytes, &text);
    if (err == kErrDataOutBound) return Refuse(path + " is larger than any manifest");
    if (err && err != kErrFileNotFound) return Refuse(path + " could not be read");
    return Accept(text);
}

ErrCode SourceSignature::CheckListing(const FolderListing& list) const {
    uint32_t at = 0;
    for (uint16_t i = 0; i < list.count && at <= list.names.len; ++i) {
        const char* name = list.names.ptr + at;
        const size_t len = strnlen(name, list.names.len - at);
        at += static_cast<uint32_t>(len) + 1;
        const std::string_view n(name, len);
        if (n == kManifestName) continue;
        const ManifestEntry* e = manifest_.Find(n);
        if (!e) return Refuse(std::string(n) + " is not in the manifest");
        if (!list.records) continue;
        const FileInfo& f = list.records[i];
        if (f.size != e->size ||
            CompareStamps(f.writeDate, f.writeTime, e->date, e->ms, kTimeTolerance) != StampOrder::Equal)
            return Refuse(std::string(n) + " is listed with another size or time than the manifest's");
    }
    return 0;
}

ErrCode SourceSignature::CheckStaged(const char* stagedPath, std::string_view name, const uint8_t* sha256) const {
    const ManifestEntry* e = manifest_.Find(name);
    if (!e) return Refuse(std::string(name) + " is not in the manifest");
    if (sha256) {
        if (std::memcmp(sha256, e->sha256, kSha256Size) == 0) return 0;
        return Refuse(std::string(name) + " arrived with other bytes than the manifest's");
    }
    FsFile f;
    ErrCode err = f.Open(stagedPath, kFsRead);
    Sha256 digest;
    // One byte more than the entry's size in the first read when that fits: a whole small file
    // and its end are then known from one call.
    std::vector<char> block(static_cast<size_t>(std::min<uint64_t>(e->size + 1, 1 << 16)));
    uint64_t total = 0;
    for (uint32_t got = 0; !err;) {
        err = f.Read(block.data(), static_cast<uint32_t>(block.size()), &got);
        digest.Update(block.data(), got);
        total += got;
        if (got < block.size()) break;
    }
    uint8_t sum[kSha256Size];
    if (!err) err = digest.Final(sum);
    if (err) return Refuse("the staged " + std::string(name) + " could not be read");
    if (total != e->size || std::memcmp(sum, e->sha256, kSha256Size) != 0)
        return Refuse(std::string(name) + " arrived with other bytes than the manifest's");
    return 0;
}

void SourceSignature::Remember() const {
    if (!active_) return;
    std::string others;
    if (ReadSequences(source_, &others) == manifest_.sequence) return;
    std::string text = std::to_string(manifest_.sequence) + " " + source_ + "\r\n";
    // A file of many sources keeps this one's line first, then whatever else fits.
    if (text.size() + others.size() <= kMaxSequenceFile) text += others;
    PoolScope scope;
    const ErrCode err = ReplaceFileContents(StrFromLiteral(kSequenceFileName), text.data(), static_cast<uint32_t>(text.size()));
    if (err) Log(Concat(StrFromLiteral("The accepted sequence could not be kept in "), StrFromLiteral(kSequenceFileName)));
}

}  // namespace rt
