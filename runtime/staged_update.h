// An update of a folder made all at once: every file's new contents staged and checked beside its
// target first, then put in place by renames that a journal records, so that a run killed at any
// point leaves the folder, after the next start's recovery, entirely old or entirely new, and every
// replaced file with its whole backup.
//
// The states of a commit, the invariant of each, and what the next start does after a kill in it:
//   Staged      every new file complete and checked in the staging folders; the folder untouched.
//               The start-up sweep removes the staged files: the folder is old.
//   BackedUp    besides, every existing target has its whole dated backup (MakeBackups, each
//               through a replacement file). As Staged; the backups stay and are not made again.
//   Journalled  the journal (kJournalName, replaced in one step) names every file, relative to the
//               folder, and what it promises holds: complete staged files, whole backups.
//               Recovery puts every staged file in place: the folder is new.
//   Placing     file by file (PutInPlace) the old file takes its aside name, as a second link
//               where the volume allows so that the target's name never stands empty, and the
//               staged file takes the target's name in one rename. As Journalled.
//   Placed      every new file in place; the aside files and the journal go. The sweep removes
//               what is left.
// The running program's own file is the exception: while it runs no other file may take its name,
// and renamed aside it would leave no program to start for a kill before the new one took the
// name. Its entry stays in the journal (TakeDeferredProgram), and the new program, started from
// where it was staged once this run has ended (MODE:FINISH), takes the name in one rename.
// A failure before Placed puts the old files back and removes the journal. Recovery keeps the
// journal until every entry is done (a file held open: the next start goes on), and acts only on
// entries naming the commit's own files inside the folder it is given.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/crypto.h"
#include "runtime/strref.h"
#include "runtime/temp_file.h"

namespace rt {

// Staged files wait in subfolders of kStagingFolder, kStagingBucket files each. A new name costs a
// system that emulates case-blind names (Wine) a read of its whole folder, so small folders keep
// staging from costing more the more files an update brings.
inline constexpr uint32_t kStagingBucket = 64;

class StagedUpdate {
public:
    // backupFlags are BackupBeforeOverwrite's, for every file of the update.
    StagedUpdate(StrRef folder, uint16_t backupFlags);
    // What was staged and never committed is removed.
    ~StagedUpdate();
    StagedUpdate(const StagedUpdate&) = delete;
    StagedUpdate& operator=(const StagedUpdate&) = delete;

    // The update being staged on this thread, if any (see StagingScope).
    static StagedUpdate* Current();
    // Takes over a replacement file whose contents are complete (written, and stamped if it is
    // to be): it is finished and kept for the commit. targetExists: 1 or 0 when the caller knows
    // (the commit then spares a look), -1 when not. sha256: the digest of the bytes the stager
    // wrote, when it made one (see wantsDigests).
    ErrCode Stage(ReplacementFile& file, int targetExists = -1, uint64_t bytes = 0, const uint8_t* sha256 = nullptr);
    // Run on every staged file before the commit writes its journal, with the target's name
    // relative to the folder and the stager's digest of it (nullptr when it made none): a result
    // other than 0 ends the commit with the folder as it was.
    using StagedCheck = std::function<ErrCode(const char* staged, std::string_view name, const uint8_t* sha256)>;
    void SetCheck(StagedCheck check) { check_ = std::move(check); }
    // Whether stagers should digest what they write: the check then need not read it again.
    bool wantsDigests() const { return static_cast<bool>(check_); }
    // The folder the next staged file is written in (made when needed), or empty when it cannot
    // be made: the file then waits beside its target.
    std::string StagingFolder();
    // The commit described above. 0, or the failure's code with the folder as it was.
    ErrCode Commit();
    uint32_t count() const { return static_cast<uint32_t>(entries_.size()); }
    // The staged files' bytes as their stagers counted them.
    uint64_t bytes() const { return bytes_; }
    // 0 when the folder's volume has room for needed more bytes and the backups of the files
    // replaced (and a margin); else kErrFileIo, reported with the folder, what is needed and
    // what is free, the reason "disk full".
    ErrCode CheckRoom(uint64_t needed, uint64_t backups = 0) const;

private:
    struct Entry {
        std::string staged, target, aside;
        int exists;           // what the stager knew of the target: 1, 0, or -1 for nothing
        bool hadOld = false;  // the target existed and went aside
        bool deferred = false;  // the running program's file: its new one takes the name later
        bool digested = false;
        uint8_t sha256[kSha256Size] = {};
    };
    ErrCode MakeBackups() const;
    ErrCode WriteJournal() const;
    ErrCode PutInPlace(Entry& e);
    void Discard();

    std::string folder_;
    uint16_t backupFlags_;
    StagedCheck check_;
    std::vector<Entry> entries_;
    uint64_t bytes_ = 0;
    uint32_t bucketsMade_ = 0;
    bool stagingFailed_ = false;
    void RemoveStagingFolders();
};

// Makes update the thread's current one for as long as it lives.
class StagingScope {
public:
    explicit StagingScope(StagedUpdate& update);
    ~StagingScope();
    StagingScope(const StagingScope&) = delete;
    StagingScope& operator=(const StagingScope&) = delete;
private:
    StagedUpdate* previous_;
};

// file.Begin for target, in the current update's staging folder when there is one.
ErrCode BeginStaged(ReplacementFile& file, StrRef target, const char* prefix);

// The file's new contents staged in the current update, or put in place at once without one.
ErrCode StageOrCommit(ReplacementFile& file, int targetExists = -1, uint64_t bytes = 0, const uint8_t* sha256 = nullptr);

// Finishes the commit a killed run left in folder, then removes every file of this program's
// temporary patterns in it and its subfolders, whatever its age, but in a subfolder whose lock
// another run holds. Never touches the network. The caller holds the folder's FolderLock. A
// journal entry naming anything but the commit's own files inside folder is left alone with a log
// line, as is a journal larger than kJournalMaxBytes. *finished (when given): how many files the
// commit still had to put in place and now are. 0, or kErrFileIo naming the first file that could
// not be put in place and why: the journal and the staged files then stay for the next start.
ErrCode RecoverFolder(StrRef folder, uint32_t* finished = nullptr);

// The staged new file of the running program that a commit or a recovery left for after this
// run, and it is forgotten; empty when there is none. Started with MODE:FINISH once the folder's
// lock is released, it finishes the journal (FinishDeferred) from outside the old program.
std::string TakeDeferredProgram();
// True while such a file waits: no new commit may write its journal over the one it needs.
bool ProgramDeferred();
// The run of a new program started from where it was staged: the folder is the nearest one above
// holding a journal; its lock and the journal are taken as soon as the old program has ended
// (waited for up to timeoutMs). 0, or the code of the last attempt.
ErrCode FinishDeferred(uint32_t timeoutMs);

// One update of a folder at a time: held for the whole run on kLockName in it, a file no
// other program may open while it is held. Taken: ok() is true; another run holds it: false, with
// kErrPermission reported ("another update of <folder> is running").
class FolderLock {
public:
    explicit FolderLock(StrRef folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ErrCode error() const { return error_; }
private:
    FsFile file_;
    std::string path_;
    ErrCode error_ = 0;
};

}  // namespace rt
