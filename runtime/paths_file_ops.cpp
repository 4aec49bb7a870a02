// Folder and file operations on paths: existence, creating folder chains, deleting files by
// pattern, finding a file in a list of folders and removing one file.
#include <cstring>

#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"

namespace rt {

namespace {

struct DeleteWalk {
    StrRef folder;
    bool onlyWithExtension;
    ErrCode first;
};

ErrCode DeleteEntry(void* arg, const char* name, bool isFolder) {
    DeleteWalk& walk = *static_cast<DeleteWalk*>(arg);
    if (isFolder) return 0;
    const size_t n = std::strlen(name);
    if (n > kMaxText) return 0;
    StrRef file = StrMake(name, static_cast<uint16_t>(n));
    uint16_t mark = PoolMark();
    if (!walk.onlyWithExtension || PathPart(file, kPathExt).len) {
        ErrCode err = RemoveFile(PathJoin(walk.folder, file));
        if (err && !walk.first) walk.first = err;
    }
    PoolRelease(mark);
    return 0;
}

}  // namespace

ErrCode PathExists(StrRef path) {
    if (!path.ok()) return StrError(path);
    uint16_t mark = PoolMark();
    ErrCode err = FsExists(CString(path));
    PoolRelease(mark);
    return err;
}

ErrCode MakeDirs(StrRef path) {
    if (!path.ok()) return StrError(path);
    uint16_t mark = PoolMark();
    StrRef rest = PathPart(path, kPathFolder | kPathBase);
    if (!rest.ok() || rest.len == 0 || (rest.len == 1 && rest.ptr[0] == '\\')) {
        PoolRelease(mark);
        return ReportError(kErrBadInput, path);
    }
    ErrCode err = 0;
    if (PathExists(PathJoin(path, StrFromLiteral("."))) != 0) {
        const char* native = CString(path);
        if (FsMakeFolder(native) != 0) {
            err = MakeDirs(PathPart(path, kPathDriveFolder));
            if (err == 0 && FsMakeFolder(native) != 0 && PathExists(PathJoin(path, StrFromLiteral("."))) != 0)
                err = kErrPermission;
            if (err) err = kErrPermission;
        }
    }
    PoolRelease(mark);
    return err;
}

ErrCode RemoveFile(StrRef path) {
    if (!path.ok()) return StrError(path);
    uint16_t mark = PoolMark();
    ErrCode err = path.len ? FsRemoveFile(CString(path)) : kErrBadInput;
    PoolRelease(mark);
    return err;
}

ErrCode DeleteFiles(StrRef pattern, bool onlyWithExtension) {
    if (!pattern.ok()) return StrError(pattern);
    if (!std::memchr(pattern.ptr, '*', pattern.len) && !std::memchr(pattern.ptr, '?', pattern.len))
        return RemoveFile(pattern);
    uint16_t mark = PoolMark();
    DeleteWalk walk{PathPart(pattern, kPathDriveFolder), onlyWithExtension, 0};
    StrRef mask = PathPart(pattern, kPathFileName);
    ErrCode err = walk.folder.ok() && mask.ok()
                      ? FsListFolder(CString(walk.folder), CString(mask), DeleteEntry, &walk)
                      : kErrOutOfMemory;
    PoolRelease(mark);
    return err ? err : walk.first;
}

StrRef FindInFolders(StrRef folders, StrRef name) {
    if (!folders.ok()) return folders;
    if (!name.ok()) return name;
    PoolScope scope;
    if (name.len && PathExists(name) == 0) return scope.Return(name);
    StrRef file = PathPart(name, kPathFileName);
    const uint16_t count = FieldCount(folders, ',');
    for (uint16_t k = 1; k <= count && file.len; ++k) {
        uint16_t inner = PoolMark();
        StrRef candidate = PathJoin(Field(folders, ',', k), file);
        if (candidate.ok() && PathExists(candidate) == 0) return scope.Return(candidate);
        PoolRelease(inner);
    }
    return StrMake(name.ptr, 0);
}

}  // namespace rt
