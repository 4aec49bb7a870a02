// Paths and environment: path parts, joining and resolving, the application's standard folders,
// %NAME% references, folder and file operations on paths, and the file-permission check.
//
// Paths are Windows paths (drive colon, backslash); separator mode 1 uses '/' instead of '\'.
// Text results are pieces of an input or one new pool entry; an error value given as input comes
// back unchanged.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// Parts of a path selected by PathPart, by bits.
inline constexpr uint16_t kPathDrive = 1;
inline constexpr uint16_t kPathFolder = 2;
inline constexpr uint16_t kPathBase = 4;
inline constexpr uint16_t kPathExt = 8;
inline constexpr uint16_t kPathDriveFolder = 3;
inline constexpr uint16_t kPathFileName = 12;

// Standard folders by bit (AppPath, AppPaths, InAppPath).
inline constexpr uint16_t kAppPathRunPath = 1;
inline constexpr uint16_t kAppPathDefault = 2;
inline constexpr uint16_t kAppPathData = 4;
inline constexpr uint16_t kAppPathDocs = 8;
inline constexpr uint16_t kAppPathHelp = 16;
inline constexpr uint16_t kAppPathBackup = 32;
inline constexpr uint16_t kAppPathBackRel = 64;
extern const char kAppPathNames[];  // "APPPATH_RUNPATH,...", the n-th name is bit n-1

// Operation flags of safetyIo and the bit of _SAFE that switches the check on.
inline constexpr uint16_t kSafeOn = 0x100;
inline constexpr uint16_t kSafeRoot = 0x200;
inline constexpr uint16_t kSafeReadList = 0x800;
inline constexpr uint16_t kSafeWriteList = 0x1000;
inline constexpr uint16_t kSafeRead = kSafeReadList;
inline constexpr uint16_t kSafeWrite = kSafeRoot | kSafeWriteList;

// Longest working folder CurrentFolder gives.
inline constexpr uint16_t kMaxFolderText = 384;
// ExpandRefs stops after this many substitutions, so a value naming itself cannot loop.
inline constexpr uint16_t kMaxRefRounds = 64;

// The parts of path selected by bits (1 drive, 2 folder, 4 base name, 8 extension) joined back;
// mode 0 uses '\', mode 1 '/'. A single part is a piece of path; a combination one pool entry.
StrRef PathPart(StrRef path, uint16_t bits, int mode = 0);
// Both texts with '/' turned into '\', then PathJoinRaw in mode 0.
StrRef PathJoin(StrRef base, StrRef name);
// name appended to base with one separator; base is dropped when name is rooted or has a drive;
// a folder part of name is resolved against base first.
StrRef PathJoinRaw(StrRef base, StrRef name, int mode);
// relative's leading "..\" steps applied to base, then joined; every "\.\" becomes "\".
StrRef PathResolve(StrRef base, StrRef relative);
// name "." ext (no dot when either is empty).
StrRef WithExtension(StrRef name, StrRef ext);
// folder joined with "*.*" when on, else folder.
StrRef WithWildcard(StrRef folder, bool on);

// The standard folder of one bit (empty for an unknown bit).
StrRef AppPath(uint16_t bit);
// The folders of every set bit, lowest first, joined with ",".
StrRef AppPaths(uint16_t bits);
// PathJoin(AppPaths(bits), name).
StrRef InAppPath(StrRef name, uint16_t bits);

// Every %NAME% reference replaced: LINUX_ROOT, the APPPATH names, the environment names of
// kEnvironmentNames (any case), then the run-time parameters (unknown names become empty).
StrRef ExpandRefs(StrRef text);
extern const char kEnvironmentNames[];
// The process environment value of name; empty when it is not set.
StrRef EnvValue(StrRef name);
// EnvValue("TEMP").
StrRef TempFolder();
// The working folder (at most 384 characters); empty on failure.
StrRef CurrentFolder();
// pattern (or TempFolder joined with "%s" when empty) with its final "%s" replaced by "XXXXXX";
// the result's last byte is a NUL, counted in its length. kErrBadInput when pattern does not end in
// "%s".
StrRef TempTemplate(StrRef pattern);

// 0 when the entry exists, kErrFileNotFound when it is missing.
ErrCode PathExists(StrRef path);
// Creates the folder and its missing parents. kErrBadInput for an empty or root path,
// kErrPermission on failure.
ErrCode MakeDirs(StrRef path);
// Without '*' or '?' removes the one file; otherwise every matching file of its folder (with
// onlyWithExtension, only names that have an extension). The first failure is returned.
ErrCode DeleteFiles(StrRef pattern, bool onlyWithExtension);
// name when it exists, else name's file part in each folder of the comma list, in order: the
// first that exists; empty when none does.
StrRef FindInFolders(StrRef folders, StrRef name);
// Removes one file: 0 or the failure (kErrFileNotFound when missing).
ErrCode RemoveFile(StrRef path);
// The kept comma list (group 9 item 14): field n, or the whole list for n = 0.
StrRef KeptList(uint16_t n);
// Replaces field n of the kept list by value (n = 0: the whole list), stores it and returns
// field n of the new list.
StrRef KeptList(uint16_t n, StrRef value);

// 0 when the operation (kSafeRead, kSafeWrite ...) on path is allowed, else kErrPermission with the
// reason in the error detail. path is expected expanded and normalised.
ErrCode safetyIo(uint16_t flags, StrRef path);

}  // namespace rt
