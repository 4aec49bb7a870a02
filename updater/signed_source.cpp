// The signature check of an update's source: key, manifest, list, staged files and sequence.
#include "updater/signed_source.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <unordered_set>
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
#include "runtime/url_text.h"
#include "updater/credentials.h"
#include "updater/startup.h"

namespace rt {

namespace {

std::string Text(StrRef s) { return s.ok() ? std::string(s.ptr, s.len) : std::string(); }

int32_t TodayNumber() {
    const ClockTime now = ClockLocalNow();
    return now.year * 10000 + now.month * 100 + now.day;
}

// The sequence file's lines; none when it is missing or cannot be read.
std::vector<AcceptedSequence> ReadSequenceFile() {
    std::string text;
    if (ReadSmallFile(kSequenceFileName, kMaxSequenceFile, &text) != 0) return {};
    return ReadAcceptedSequences(text);
}

// Whether the file at path holds exactly entry's bytes; *err the code of a read that failed
// (kErrFileNotFound when there is no file).
bool HoldsSignedBytes(const char* path, const ManifestEntry& entry, ErrCode* err) {
    FsFile f;
    *err = f.Open(path, kFsRead);
    Sha256 digest;
    // One byte more than the entry's size in the first read when that fits: a whole small file
    // and its end are then known from one call.
    std::vector<char> block(static_cast<size_t>(std::min<uint64_t>(entry.size + 1, 1 << 16)));
    uint64_t total = 0;
    for (uint32_t got = 0; !*err && total <= entry.size;) {
        *err = f.Read(block.data(), static_cast<uint32_t>(block.size()), &got);
        digest.Update(block.data(), got);
        total += got;
        if (got < block.size()) break;
    }
    uint8_t sum[kSha256Size];
    if (!*err) *err = digest.Final(sum);
    return !*err && total == entry.size && std::memcmp(sum, entry.sha256, kSha256Size) == 0;
}

}  // namespace

StrRef PublicKeyPath() {
    uint16_t mark = PoolMark();
    StrRef nick = AppNick();
    if (!nick.ok() || nick.len == 0) nick = StrFromLiteral(kCredentialsFile);
    return PoolReturn(mark, ScriptFilePath(WithExtension(nick, StrFromLiteral(kPublicKeyExtension))));
}

ErrCode SourceSignature::Refuse(const std::string& why) const {
    PoolScope scope;
    const std::string text = "Signature of " + CredentialsHidden(source_) + " refused: " + why;
    return RecordAndReport(kErrUserCheck, kModStreams, StrMake(text.data(), static_cast<uint16_t>(std::min<size_t>(text.size(), kMaxText))));
}

ErrCode SourceSignature::Begin(StrRef source) {
    active_ = false;
    source_ = Text(source);
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
    for (signer_ = 0; signer_ < keys_.size(); ++signer_) {
        verified = VerifyManifest(manifest_, text.data(), keys_[signer_].data());
        if (verified != kErrUserCheck) break;
    }
    if (verified == kErrInternal) return Refuse("the system could not check the signature");
    if (verified != 0) return Refuse("the manifest is not signed by a key beside the updater");
    // The source's own path, not its spelling: its host, separators and case do not count.
    const std::string path = SourcePath(source_);
    if (!ManifestFolderEnds(manifest_.folder, path))
        return Refuse("the manifest is the folder " + manifest_.folder + "'s");
    if (manifest_.expires < TodayNumber())
        return Refuse("the manifest expired on " + std::to_string(manifest_.expires));
    // Under any key of the key file: while a key replaces another, the count carries on.
    std::vector<std::string> keyIds;
    for (const PublicKey& k : keys_) keyIds.push_back(KeyId(k));
    const uint64_t accepted = HighestAccepted(ReadSequenceFile(), keyIds, path);
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

ErrCode SourceSignature::CheckListing(const FolderListing& list, StrRef target) const {
    std::unordered_set<std::string> listed;
    uint32_t at = 0;
    for (uint16_t i = 0; i < list.count && at <= list.names.len; ++i) {
        const char* name = list.names.ptr + at;
        const size_t len = strnlen(name, list.names.len - at);
        at += static_cast<uint32_t>(len) + 1;
        const std::string_view n(name, len);
        if (n == kManifestName) continue;
        const ManifestEntry* e = manifest_.Find(n);
        if (!e) return Refuse(std::string(n) + " is not in the manifest");
        listed.insert(FoldedName(n));
        if (!list.records) continue;
        const FileInfo& f = list.records[i];
        if (f.size != e->size ||
            CompareStamps(f.writeDate, f.writeTime, e->date, e->ms, kTimeTolerance) != StampOrder::Equal)
            return Refuse(std::string(n) + " is listed with another size or time than the manifest's");
    }
    for (const ManifestEntry& e : manifest_.files) {
        if (listed.count(FoldedName(e.name))) continue;
        PoolScope scope;
        const std::string path = Text(PathJoin(target, StrMake(e.name.data(), static_cast<uint16_t>(e.name.size()))));
        ErrCode err = 0;
        if (!HoldsSignedBytes(path.c_str(), e, &err))
            return Refuse(e.name + " is signed but not listed, and the target holds no copy of its bytes");
    }
    return 0;
}

ErrCode SourceSignature::CheckStaged(const char* stagedPath, std::string_view name, const uint8_t* sha256) const {
    const ManifestEntry* e = manifest_.Find(name);
    if (!e) return Refuse(std::string(name) + " is not in the manifest");
    ErrCode err = 0;
    if (sha256 ? std::memcmp(sha256, e->sha256, kSha256Size) == 0 : HoldsSignedBytes(stagedPath, *e, &err)) return 0;
    if (err) return Refuse("the staged " + std::string(name) + " could not be read");
    return Refuse(std::string(name) + " arrived with other bytes than the manifest's");
}

void SourceSignature::Remember() const {
    if (!active_ || signer_ >= keys_.size()) return;
    const std::vector<AcceptedSequence> lines = ReadSequenceFile();
    AcceptedSequence accepted{manifest_.sequence, KeyId(keys_[signer_]), FoldedName(manifest_.folder)};
    for (const AcceptedSequence& a : lines)
        if (a.key == accepted.key && a.folder == accepted.folder && a.sequence == accepted.sequence) return;
    const std::string text = SequenceFileText(lines, accepted);
    PoolScope scope;
    const ErrCode err = ReplaceFileContents(StrFromLiteral(kSequenceFileName), text.data(), static_cast<uint32_t>(text.size()));
    if (err) Log(Concat(StrFromLiteral("The accepted sequence could not be kept in "), StrFromLiteral(kSequenceFileName)));
}

}  // namespace rt
