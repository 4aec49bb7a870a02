// The all-or-nothing update of a folder: staging, the journalled commit, recovery and the lock.
#include "runtime/staged_update.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <utility>

#include "runtime/clock.h"
#include "runtime/dir_search.h"
#include "runtime/errors.h"
#include "runtime/file_identity.h"
#include "runtime/error_record.h"
#include "runtime/fs.h"
#include "runtime/journal.h"
#include "runtime/kill_point.h"
#include "runtime/log.h"
#include "runtime/paths.h"
#include "runtime/streams.h"
#include "runtime/temp_pool.h"
#include "runtime/text_format.h"
#include "runtime/text_ops.h"
#include "runtime/whole_file.h"

namespace rt {
namespace {

thread_local StagedUpdate* tCurrent = nullptr;
// The running program's staged new file, left for after the run (TakeDeferredProgram).
thread_local std::string tDeferredProgram;

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

// What a journal found in a folder gives: none there, one refused as a whole, or its entries.
enum class JournalFound { None, Refused, Read };

JournalFound ReadJournal(const std::string& path, std::vector<JournalEntry>* entries, std::vector<uint32_t>* refused) {
    std::string text;
    const ErrCode err = ReadSmallFile(path.c_str(), kJournalMaxBytes, &text);
    if (err) return err == kErrDataOutBound ? JournalFound::Refused : JournalFound::None;
    return ParseJournal(text, entries, refused) ? JournalFound::Read : JournalFound::Refused;
}

// True when a folder on the way from root to relative is a link: what recovery renames must lie
// in the folder itself, not wherever a planted junction points.
bool ThroughLink(const std::string& root, const std::string& relative) {
    for (size_t sep = relative.find_first_of("\\/"); sep != std::string::npos; sep = relative.find_first_of("\\/", sep + 1)) {
        PoolScope scope;
        DirSearch search;
        DirEntry e;
        if (search.First(View(Joined(root, relative.substr(0, sep).c_str())), &e) == 0 && e.link) return true;
    }
    return false;
}

// The path relative to folder of a path the commit made by joining a name to it.
bool RelativeTo(const std::string& folder, const std::string& path, std::string* out) {
    if (path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
    size_t at = folder.size();
    while (at < path.size() && (path[at] == '\\' || path[at] == '/')) ++at;
    if (at == folder.size() && !folder.empty() && folder.back() != '\\' && folder.back() != '/') return false;
    *out = path.substr(at);
    return true;
}

// True while another run holds the lock of folder: nothing there is this run's to remove.
bool LockHeld(const std::string& folder) {
    FsFile probe;
    return probe.Open(Joined(folder, kLockName).c_str(), kFsRead | kFsNoShare) != 0 && FsFailureReason() == kFsReasonInUse;
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
// folders, once empty (staging: folder is one of them). A subfolder whose lock another run holds
// is that run's, and is left whole.
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
    for (const auto& [sub, inStaging] : folders)
        if (!LockHeld(sub)) RemoveLeftovers(sub, depth + 1, inStaging);
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
    std::vector<JournalEntry> lines(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        JournalEntry& j = lines[i];
        // Relative: recovery then acts inside the folder it is given, however a run spells it.
        if (!RelativeTo(folder_, e.staged, &j.staged) || !RelativeTo(folder_, e.target, &j.target) ||
            !RelativeTo(folder_, e.aside, &j.aside) || !JournalEntryInside(j)) {
            PoolScope scope;
            return RecordAndReport(kErrBadInput, kModStreams,
                                   Concat(View(e.target), StrFromLiteral(": not a file the commit may journal")));
        }
    }
    const std::string text = JournalText(lines);
    ReplacementFile journal;
    PoolScope scope;
    if (ErrCode err = journal.Begin(View(Joined(folder_, kJournalName)))) return err;
    uint32_t put = 0;
    if (ErrCode err = journal.file().Write(text.data(), static_cast<uint32_t>(text.size()), &put)) return err;
    return journal.Commit();
}

ErrCode StagedUpdate::MakeBackups() const {
    for (const Entry& e : entries_) {
        // A target its stager saw missing has nothing to back up, and no look is needed to say so.
        if (e.exists == 0) continue;
        PoolScope scope;
        ErrCode err = BackupBeforeOverwrite(View(e.target), backupFlags_);
        // A backup folder that cannot be made does not stop the update; the log says so.
        if (err == kErrFileNotFound) {
            Log(Concat(Concat(StrFromLiteral("No backup of "), View(e.target)), Concat(StrFromLiteral(": "), ErrorText(err))));
            err = 0;
        }
        if (err) return RecordAndReport(err, kModStreams, WithFailureReason(View(e.target), FsFailureReason()), true);
        KillPoint("backup");
    }
    return 0;
}

ErrCode StagedUpdate::PutInPlace(Entry& e) {
    if (e.exists != 0) {
        // The old file takes a second name first where the volume allows: the target's name then
        // never stands empty, not even while a running program replaces itself (a kill between
        // two renames would leave no program to start the recovery).
        const ErrCode linked = FsLinkFile(e.target.c_str(), e.aside.c_str());
        if (linked == 0) {
            e.hadOld = true;
            KillPoint("aside");
            if (PlaceFile(e.staged, e.target) == 0) return 0;
            // A system that will not give a running program's name to another file still lets
            // the program be renamed: the two renames below.
            FsRemoveFile(e.aside.c_str());
            e.hadOld = false;
        }
        if (linked != kErrFileNotFound && FsIsRunningProgram(e.target.c_str())) {
            e.deferred = true;
            return 0;
        }
        if (linked != kErrFileNotFound) {
            const ErrCode moved = FsReplaceFile(e.target.c_str(), e.aside.c_str());
            if (moved != 0 && moved != kErrFileNotFound) return moved;
            e.hadOld = moved == 0;
            if (e.hadOld) KillPoint("aside");
        }
    }
    const ErrCode err = PlaceFile(e.staged, e.target);
    if (err && e.hadOld) FsReplaceFile(e.aside.c_str(), e.target.c_str());
    return err;
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
    // Staged -> BackedUp -> Journalled: a failure on the way leaves the folder as it was.
    for (Entry& e : entries_) e.aside = AsideOf(e.staged);
    ErrCode err = MakeBackups();
    if (!err) err = WriteJournal();
    if (err) {
        Discard();
        return err;
    }
    KillPoint("journal");
    const std::string journal = Joined(folder_, kJournalName);
    size_t done = 0;
    for (; !err && done < entries_.size(); ++done) {
        Entry& e = entries_[done];
        if ((err = PutInPlace(e)) != 0) {
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
    // Placed: the old files and the journal go, but the journal of a running program's new file.
    bool deferred = false;
    for (const Entry& e : entries_) {
        if (e.hadOld) FsRemoveFile(e.aside.c_str());
        if (e.deferred && !err) {
            deferred = true;
            tDeferredProgram = e.staged;
            PoolScope scope;
            Log(Concat(View(e.target), StrFromLiteral(": the running program; its new file takes the name once this run has ended")));
        }
    }
    if (!deferred) FsRemoveFile(journal.c_str());
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

ErrCode StagedUpdate::CheckRoom(uint64_t needed, uint64_t backups) const {
    // Room for the journal and the backups' folders besides the files themselves.
    static constexpr uint64_t kMargin = 1 << 20;
    uint64_t free = 0, backupFree = 0;
    if (needed + backups == 0 || FsFreeSpace(folder_.c_str(), &free) != 0) return 0;
    PoolScope scope;
    // The backups go below the working folder, perhaps on another volume: the nearest folder of
    // their path that exists tells its room, and the same free bytes as the target's say that
    // both lie on one volume.
    StrRef at = PathPart(BackupName(View(Joined(folder_, "x")), kBackupFolder), kPathDriveFolder);
    while (at.ok() && at.len > 1 && PathExists(at) != 0) at = PathPart(SubStr(at, 0, static_cast<uint16_t>(at.len - 1)), kPathDriveFolder);
    const bool apart = backups && at.ok() && at.len && FsFreeSpace(CString(at), &backupFree) == 0 && backupFree != free;
    const uint64_t here = apart ? needed : needed + backups;
    const bool short_here = here + kMargin > free, short_there = apart && backups + kMargin > backupFree;
    if (!short_here && !short_there) return 0;
    FsNoteFailure(kFsReasonDiskFull);
    char text[200];
    std::snprintf(text, sizeof text, " (disk full: the update needs %llu bytes, %llu of them for backups, %llu are free)",
                  static_cast<unsigned long long>((short_here ? here : backups) + kMargin),
                  static_cast<unsigned long long>(short_here && apart ? 0 : backups),
                  static_cast<unsigned long long>(short_here ? free : backupFree));
    return RecordAndReport(kErrFileIo, kModStreams, Concat(short_here ? View(folder_) : at, StrFromLiteral(text)));
}

ErrCode RecoverFolder(StrRef folder, uint32_t* finished) {
    if (finished) *finished = 0;
    if (!folder.ok() || folder.len == 0) return 0;
    const std::string root(folder.ptr, folder.len);
    const std::string journal = Joined(root, kJournalName);
    std::vector<JournalEntry> entries;
    std::vector<uint32_t> refused;
    const JournalFound found = ReadJournal(journal, &entries, &refused);
    PoolScope scope;
    if (found == JournalFound::Refused) {
        Log(Concat(StrFromLiteral("Not acted on, a journal larger than any commit writes: "), View(journal)));
    }
    // Whatever a planted journal names outside the folder, or through a link out of it, stays
    // untouched: only the commit's own files inside the folder are renamed.
    for (size_t i = 0; i < entries.size();) {
        if (ThroughLink(root, entries[i].staged) || ThroughLink(root, entries[i].target)) {
            refused.push_back(0);
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    if (!refused.empty()) {
        char text[96];
        std::snprintf(text, sizeof text, ", %u entries naming paths outside the folder or none of its commit's files",
                      static_cast<unsigned>(refused.size()));
        Log(Concat(Concat(StrFromLiteral("Not acted on: "), View(journal)), StrFromLiteral(text)));
    }
    // Every staged file was complete and checked, and every old file backed up, before the journal
    // was written: one still there was not put in place yet, one gone was. An entry that cannot be
    // finished now (a file held open) keeps the journal for the next start.
    uint32_t placed = 0, pending = 0;
    std::vector<bool> done(entries.size(), true);
    StrRef failure;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string staged = Joined(root, entries[i].staged.c_str()), target = Joined(root, entries[i].target.c_str()),
                          aside = Joined(root, entries[i].aside.c_str());
        if (!Exists(staged)) continue;
        const bool there = Exists(target);
        if (there && FsIsRunningProgram(target.c_str())) {
            tDeferredProgram = staged;
            done[i] = false;
            Log(Concat(View(target), StrFromLiteral(": the running program; its new file takes the name once this run has ended")));
            continue;
        }
        // The old file keeps a second name where the volume allows (a killed commit may have
        // given it one): the target's name then never stands empty.
        bool renamed = false;
        if (there && !Exists(aside)) {
            if (FsLinkFile(target.c_str(), aside.c_str()) == 0) {
                KillPoint("aside");
            } else {
                renamed = FsReplaceFile(target.c_str(), aside.c_str()) == 0;
            }
        }
        if (PlaceFile(staged, target) == 0) {
            ++placed;
            continue;
        }
        if (!failure.ok() || failure.len == 0) failure = PoolCopy(WithFailureReason(View(target), FsFailureReason()));
        if (renamed) FsReplaceFile(aside.c_str(), target.c_str());
        done[i] = false;
        ++pending;
    }
    for (size_t i = 0; i < entries.size(); ++i)
        if (done[i]) FsRemoveFile(Joined(root, entries[i].aside.c_str()).c_str());
    if (finished) *finished = placed;
    if (pending) {
        char text[96];
        std::snprintf(text, sizeof text, ": %u still to put in place, the next start goes on; the first: ", pending);
        Log(Concat(Concat(StrFromLiteral("An update cut short is not finished: "), folder), Concat(StrFromLiteral(text), failure)));
        return RecordAndReport(kErrFileIo, kModStreams, failure);
    }
    if (ProgramDeferred()) return 0;
    if (found == JournalFound::Read) {
        FsRemoveFile(journal.c_str());
        Log(Concat(Concat(StrFromLiteral("An update cut short was finished: "), folder),
                   Concat(StrFromLiteral(", files put in place: "), Format(12, "%u", placed))));
    }
    RemoveLeftovers(root, 0);
    return 0;
}

std::string TakeDeferredProgram() { return std::exchange(tDeferredProgram, std::string()); }

bool ProgramDeferred() { return !tDeferredProgram.empty(); }

ErrCode FinishDeferred(uint32_t timeoutMs) {
    PoolScope scope;
    const StrRef self = FsProgramPath();
    if (!self.ok()) return StrError(self);
    std::string folder(self.ptr, self.len);
    do {
        const size_t sep = folder.find_last_of("\\/");
        folder.resize(sep == std::string::npos ? 0 : sep);
    } while (!folder.empty() && !Exists(Joined(folder, kJournalName)));
    if (folder.empty()) return RecordAndReport(kErrFileNotFound, kModStreams, Concat(self, StrFromLiteral(": no journal above it")));
    ErrCode err = 0;
    for (uint64_t start = ClockSteadyMicros();;) {
        {
            FolderLock lock(View(folder));
            err = lock.error() ? lock.error() : RecoverFolder(View(folder));
        }
        if (err == 0 || ClockSteadyMicros() - start > uint64_t{timeoutMs} * 1000) return err;
        ClockSleepMs(100);
    }
}

FolderLock::FolderLock(StrRef folder) {
    if (!folder.ok() || folder.len == 0) return;
    path_ = Joined(std::string(folder.ptr, folder.len), kLockName);
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
