// The all-or-nothing update of a folder: staging, the journalled commit, recovery and the lock.
#include "runtime/staged_update.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "runtime/dir_search.h"
#include "runtime/errors.h"
#include "runtime/error_record.h"
#include "runtime/fs.h"
#include "runtime/log.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "runtime/temp_pool.h"
#include "runtime/text_format.h"
#include "runtime/text_ops.h"

namespace rt {
namespace {

thread_local StagedUpdate* tCurrent = nullptr;

// Nested folders below a target that recovery still walks; deeper ones are left alone.
constexpr int kMaxRecoveryDepth = 16;

std::string Joined(const std::string& folder, const char* name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    return path + name;
}

StrRef View(const std::string& s) { return StrMake(s.data(), static_cast<uint16_t>(s.size())); }

bool Exists(const std::string& path) {
    PoolScope scope;
    return PathExists(View(path)) == 0;
}

// The journal's lines: staged, target and aside path of each file, separated by tabs.
bool ReadJournal(const std::string& path, std::vector<std::string>* fields) {
    FsFile in;
    if (in.Open(path.c_str(), kFsRead) != 0) return false;
    std::string text;
    char block[16384];
    for (uint32_t got = 0; in.Read(block, sizeof block, &got) == 0 && got;) text.append(block, got);
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t t1 = line.find('\t'), t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        if (t2 != std::string::npos) {
            fields->push_back(line.substr(0, t1));
            fields->push_back(line.substr(t1 + 1, t2 - t1 - 1));
            fields->push_back(line.substr(t2 + 1));
        }
        at = end + 1;
    }
    return true;
}

// Puts a staged file in its target's place; a new subfolder of the target is made when its first
// file goes in.
ErrCode PlaceFile(const std::string& staged, const std::string& target) {
    const ErrCode err = FsReplaceFile(staged.c_str(), target.c_str());
    const size_t sep = target.find_last_of("\\/");
    if (err != kErrFileNotFound || sep == std::string::npos) return err;
    PoolScope scope;
    if (MakeDirs(View(target.substr(0, sep))) != 0) return err;
    return FsReplaceFile(staged.c_str(), target.c_str());
}

bool IsStagingFolder(const char* name, uint16_t len) {
    return len == sizeof kStagingFolder - 1 && std::memcmp(name, kStagingFolder, len) == 0;
}

// Every file of this program's patterns below folder that can be removed goes; so do the staging
// folders, once empty (staging: folder is one of them).
void RemoveLeftovers(const std::string& folder, int depth, bool staging = false) {
    PoolScope scope;
    DirSearch search;
    DirEntry e;
    std::vector<std::pair<std::string, bool>> folders;  // path, a staging folder
    for (ErrCode err = search.First(View(Joined(folder, "*")), &e); err == 0; err = search.Next(&e)) {
        if (e.link || (e.nameLen == 1 && e.name[0] == '.') || (e.nameLen == 2 && e.name[0] == '.' && e.name[1] == '.'))
            continue;
        if (e.info.attributes & kAttrFolder) {
            const bool inStaging = staging || IsStagingFolder(e.name, e.nameLen);
            if (depth < kMaxRecoveryDepth) folders.emplace_back(Joined(folder, e.name), inStaging);
        } else if (IsOwnTempName(e.name, e.nameLen)) {
            FsRemoveFile(Joined(folder, e.name).c_str());
        }
    }
    search.Close();
    for (const auto& [sub, inStaging] : folders) RemoveLeftovers(sub, depth + 1, inStaging);
    if (staging) FsRemoveFolder(folder.c_str());
}

}  // namespace

StagedUpdate::StagedUpdate(StrRef folder, uint16_t backupFlags)
    : folder_(folder.ok() ? std::string(folder.ptr, folder.len) : std::string()), backupFlags_(backupFlags) {}

StagedUpdate::~StagedUpdate() { Discard(); }

StagedUpdate* StagedUpdate::Current() { return tCurrent; }

void StagedUpdate::Discard() {
    for (const Entry& e : entries_) FsRemoveFile(e.staged.c_str());
    entries_.clear();
    RemoveStagingFolders();
}

std::string StagedUpdate::StagingFolder() {
    if (stagingFailed_ || folder_.empty()) return std::string();
    const std::string root = Joined(folder_, kStagingFolder);
    const uint32_t bucket = static_cast<uint32_t>(entries_.size()) / kStagingBucket;
    char name[16];
    std::snprintf(name, sizeof name, "%x", bucket);
    const std::string path = Joined(root, name);
    while (bucketsMade_ <= bucket) {
        ErrCode err = bucketsMade_ == 0 ? FsMakeFolder(root.c_str()) : 0;
        if (err == kErrFileExist) err = 0;
        std::snprintf(name, sizeof name, "%x", bucketsMade_);
        if (!err) err = FsMakeFolder(Joined(root, name).c_str());
        if (err && err != kErrFileExist) {
            stagingFailed_ = true;
            return std::string();
        }
        ++bucketsMade_;
    }
    return path;
}

void StagedUpdate::RemoveStagingFolders() {
    if (bucketsMade_ == 0) return;
    const std::string root = Joined(folder_, kStagingFolder);
    char name[16];
    for (uint32_t b = 0; b < bucketsMade_; ++b) {
        std::snprintf(name, sizeof name, "%x", b);
        FsRemoveFolder(Joined(root, name).c_str());
    }
    // A folder still holding a file (the running updater's old program) goes at the next start.
    FsRemoveFolder(root.c_str());
    bucketsMade_ = 0;
}

ErrCode StagedUpdate::Stage(ReplacementFile& file, int targetExists, uint64_t bytes, const uint8_t* sha256) {
    if (ErrCode err = file.Finish()) return err;
    bytes_ += bytes;
    Entry e{file.path(), file.target(), std::string(), targetExists};
    if (sha256) {
        e.digested = true;
        std::memcpy(e.sha256, sha256, kSha256Size);
    }
    file.Release();
    entries_.push_back(std::move(e));
    return 0;
}

ErrCode StagedUpdate::WriteJournal() const {
    std::string text;
    for (const Entry& e : entries_) text += e.staged + '\t' + e.target + '\t' + e.aside + "\r\n";
    ReplacementFile journal;
    PoolScope scope;
    if (ErrCode err = journal.Begin(View(Joined(folder_, kJournalName)))) return err;
    uint32_t put = 0;
    if (ErrCode err = journal.file().Write(text.data(), static_cast<uint32_t>(text.size()), &put)) return err;
    return journal.Commit();
}

ErrCode StagedUpdate::Commit() {
    if (entries_.empty()) return 0;
    for (size_t i = 0; check_ && i < entries_.size(); ++i) {
        std::string_view name = entries_[i].target;
        if (name.compare(0, folder_.size(), folder_) == 0) name.remove_prefix(folder_.size());
        while (!name.empty() && (name.front() == '\\' || name.front() == '/')) name.remove_prefix(1);
        const Entry& e = entries_[i];
        if (ErrCode err = check_(e.staged.c_str(), name, e.digested ? e.sha256 : nullptr)) {
            Discard();
            return err;
        }
    }
    // The names the old files go aside under, known before the journal names them: beside the
    // staged file, named after it, so that no two collide and none costs a call.
    for (Entry& e : entries_) {
        const size_t name = e.staged.find_last_of("\\/") + 1;
        e.aside = e.staged.substr(0, name) + kAsidePrefix + e.staged.substr(name + std::strlen(kStagePrefix));
    }
    const std::string journal = Joined(folder_, kJournalName);
    ErrCode err = WriteJournal();
    // The dated backups before anything changes: a failure here leaves the folder as it was.
    for (size_t i = 0; !err && i < entries_.size(); ++i) {
        PoolScope scope;
        const Entry& e = entries_[i];
        // A target its stager saw missing has nothing to back up, and no look is needed to say so.
        if (e.exists == 0) continue;
        err = BackupBeforeOverwrite(View(e.target), backupFlags_);
        // A backup folder that cannot be made does not stop the update; the log says so.
        if (err == kErrFileNotFound) {
            Log(Concat(Concat(StrFromLiteral("No backup of "), View(e.target)), Concat(StrFromLiteral(": "), ErrorText(err))));
            err = 0;
        }
        if (err) RecordAndReport(err, kModStreams, View(e.target), true);
    }
    size_t done = 0;
    for (; !err && done < entries_.size(); ++done) {
        Entry& e = entries_[done];
        // A running program's file may be renamed, not overwritten: the old file goes aside first.
        const ErrCode moved = e.exists == 0 ? kErrFileNotFound : FsReplaceFile(e.target.c_str(), e.aside.c_str());
        e.hadOld = moved == 0;
        if (moved != kErrFileNotFound) err = moved;
        if (!err) {
            err = PlaceFile(e.staged, e.target);
            if (err && e.hadOld) FsReplaceFile(e.aside.c_str(), e.target.c_str());
        }
        if (err) {
            PoolScope scope;
            err = RecordAndReport(kErrFileIo, kModStreams, WithFailureReason(View(e.target), FsFailureReason()));
        }
    }
    if (err) {
        // Back as it was: the files already put in place give way to their old ones again.
        // The failed entry undid itself; done counts it.
        if (done > 0) --done;
        while (done-- > 0) {
            const Entry& e = entries_[done];
            FsReplaceFile(e.target.c_str(), e.staged.c_str());
            if (e.hadOld) FsReplaceFile(e.aside.c_str(), e.target.c_str());
        }
    }
    for (const Entry& e : entries_)
        if (e.hadOld) FsRemoveFile(e.aside.c_str());
    FsRemoveFile(journal.c_str());
    if (err) {
        Discard();
    } else {
        PoolScope scope;
        char text[96];
        std::snprintf(text, sizeof text, ": %u files put in place at once, %llu bytes staged beside the old ones",
                      count(), static_cast<unsigned long long>(bytes_));
        Log(Concat(View(folder_), StrFromLiteral(text)));
    }
    entries_.clear();
    RemoveStagingFolders();
    return err;
}

StagingScope::StagingScope(StagedUpdate& update) : previous_(tCurrent) { tCurrent = &update; }
StagingScope::~StagingScope() { tCurrent = previous_; }

ErrCode BeginStaged(ReplacementFile& file, StrRef target, const char* prefix) {
    if (!tCurrent) return file.Begin(target, prefix);
    const std::string folder = tCurrent->StagingFolder();
    return file.Begin(target, prefix, folder.empty() ? nullptr : folder.c_str());
}

ErrCode StageOrCommit(ReplacementFile& file, int targetExists, uint64_t bytes, const uint8_t* sha256) {
    return tCurrent ? tCurrent->Stage(file, targetExists, bytes, sha256) : file.Commit();
}

ErrCode StagedUpdate::CheckRoom(uint64_t needed) const {
    // Room for the journal and the backups' folders besides the files themselves.
    static constexpr uint64_t kMargin = 1 << 20;
    uint64_t free = 0;
    if (needed == 0 || FsFreeSpace(folder_.c_str(), &free) != 0 || needed + kMargin <= free) return 0;
    PoolScope scope;
    FsNoteFailure(kFsReasonDiskFull);
    char text[160];
    std::snprintf(text, sizeof text, " (disk full: the update needs %llu bytes, %llu are free)",
                  static_cast<unsigned long long>(needed + kMargin), static_cast<unsigned long long>(free));
    return RecordAndReport(kErrFileIo, kModStreams, Concat(View(folder_), StrFromLiteral(text)));
}

uint32_t RecoverFolder(StrRef folder) {
    if (!folder.ok() || folder.len == 0) return 0;
    const std::string root(folder.ptr, folder.len);
    const std::string journal = Joined(root, kJournalName);
    std::vector<std::string> f;
    uint32_t finished = 0;
    if (ReadJournal(journal, &f)) {
        // Every staged file was complete and checked before the journal was written: one still
        // there was not put in place yet, one gone was.
        for (size_t i = 0; i + 2 < f.size(); i += 3) {
            const std::string &staged = f[i], &target = f[i + 1], &aside = f[i + 2];
            if (!Exists(staged)) continue;
            if (Exists(target) && !aside.empty()) FsReplaceFile(target.c_str(), aside.c_str());
            if (PlaceFile(staged, target) == 0) ++finished;
        }
        for (size_t i = 0; i + 2 < f.size(); i += 3) {
            if (!f[i + 2].empty()) FsRemoveFile(f[i + 2].c_str());
        }
        FsRemoveFile(journal.c_str());
        PoolScope scope;
        Log(Concat(Concat(StrFromLiteral("An update cut short was finished: "), folder),
                   Concat(StrFromLiteral(", files put in place: "), Format(12, "%u", finished))));
    }
    RemoveLeftovers(root, 0);
    return finished;
}

FolderLock::FolderLock(StrRef folder) {
    if (!folder.ok() || folder.len == 0) return;
    path_ = Joined(std::string(folder.ptr, folder.len), "~kvlock.tmp");
    if (file_.Open(path_.c_str(), kFsWrite | kFsCreate | kFsNoShare) == 0) return;
    path_.clear();
    if (FsFailureReason() == kFsReasonInUse) {
        PoolScope scope;
        error_ = RecordAndReport(kErrPermission, kModStreams,
                                 Concat(Concat(StrFromLiteral("another update of "), folder), StrFromLiteral(" is running")));
    }
}

FolderLock::~FolderLock() {
    file_.Close();
    if (!path_.empty()) FsRemoveFile(path_.c_str());
}

}  // namespace rt
