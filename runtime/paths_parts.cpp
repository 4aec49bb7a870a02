// Path parts, joining and resolving: drive, folder, base name and extension of Windows paths.
#include <cstring>

#include "runtime/error_record.h"
#include "runtime/paths.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {

namespace {

char SepOf(int mode) { return mode == 1 ? '/' : '\\'; }

// The pieces in order as one new pool entry; 145 beyond kMaxText.
StrRef Cat(const StrRef* parts, int n) {
    uint32_t total = 0;
    for (int i = 0; i < n; ++i) {
        if (!parts[i].ok()) return parts[i];
        total += parts[i].len;
    }
    if (total > kMaxText) return FailStr(true, kModStrConcat, kErrOutOfMemory, StrErr(kErrOutOfMemory));
    ErrCode err = 0;
    char* w = PoolBuffer(total, &err);
    if (!w) return StrErr(err ? err : kErrOutOfMemory);
    char* out = w;
    for (int i = 0; i < n; ++i) {
        if (parts[i].len) std::memcpy(w, parts[i].ptr, parts[i].len);
        w += parts[i].len;
    }
    return StrMake(out, static_cast<uint16_t>(total));
}

bool EndsWithSep(StrRef s, char sep) {
    return s.len && (s.ptr[s.len - 1] == sep || s.ptr[s.len - 1] == ':');
}

// Copy of s with every '/' turned into '\' (s itself when it has none).
StrRef Backslashed(StrRef s) {
    if (!s.ok() || !std::memchr(s.ptr, '/', s.len)) return s;
    StrRef out = PoolCopy(s);
    if (!out.ok()) return out;
    char* p = MutPtr(out);
    for (uint16_t i = 0; i < out.len; ++i)
        if (p[i] == '/') p[i] = '\\';
    return out;
}

struct Pieces {
    StrRef drive, folder, base, ext;
};

Pieces Split(StrRef path, char sep) {
    Pieces p{StrMake(path.ptr, 0), StrMake(path.ptr, 0), StrMake(path.ptr, 0), StrMake(path.ptr, 0)};
    const char* s = path.ptr;
    const uint16_t n = path.len;
    const char* colon = static_cast<const char*>(std::memchr(s, ':', n));
    const uint16_t afterDrive = colon ? static_cast<uint16_t>(colon - s + 1) : 0;
    p.drive = StrMake(s, afterDrive);
    int32_t lastSep = -1;
    for (int32_t i = n - 1; i >= afterDrive; --i)
        if (s[i] == sep) {
            lastSep = i;
            break;
        }
    uint16_t nameStart = afterDrive;
    if (lastSep >= 0) {
        nameStart = static_cast<uint16_t>(lastSep + 1);
        // A separator that directly follows the drive (or starts the path) is the root folder.
        uint16_t folderLen = lastSep == afterDrive ? 1 : static_cast<uint16_t>(lastSep - afterDrive);
        p.folder = StrMake(s + afterDrive, folderLen);
    }
    StrRef name = StrMake(s + nameStart, static_cast<uint16_t>(n - nameStart));
    int32_t dot = -1;
    for (int32_t i = name.len - 1; i >= 0; --i)
        if (name.ptr[i] == '.') {
            dot = i;
            break;
        }
    // ".", ".." and ".profile" have no extension: their only dot belongs to the name.
    if (dot <= 0 || (dot == 1 && name.ptr[0] == '.')) {
        p.base = name;
        p.ext = StrMake(name.ptr + name.len, 0);
    } else {
        p.base = StrMake(name.ptr, static_cast<uint16_t>(dot));
        p.ext = StrMake(name.ptr + dot + 1, static_cast<uint16_t>(name.len - dot - 1));
    }
    return p;
}

// Number of leading ".." fields of relative, split at '\'.
uint16_t LeadingUps(StrRef relative) {
    uint16_t count = 0;
    uint16_t at = 0;
    while (at + 2 <= relative.len && relative.ptr[at] == '.' && relative.ptr[at + 1] == '.' &&
           (at + 2 == relative.len || relative.ptr[at + 2] == '\\')) {
        ++count;
        at = static_cast<uint16_t>(at + 3);
    }
    return count;
}

}  // namespace

StrRef PathPart(StrRef path, uint16_t bits, int mode) {
    if (!path.ok()) return path;
    const char sep = SepOf(mode);
    Pieces p = Split(path, sep);
    switch (bits & 15) {
        case 0: return StrMake(path.ptr, 0);
        case kPathDrive: return p.drive;
        case kPathFolder: return p.folder;
        case kPathBase: return p.base;
        case kPathExt: return p.ext;
        default: break;
    }
    StrRef parts[6];
    int n = 0;
    uint32_t so_far = 0;
    char last = 0;
    auto add = [&](StrRef piece) {
        if (!piece.len) return;
        parts[n++] = piece;
        so_far += piece.len;
        last = piece.ptr[piece.len - 1];
    };
    static const char kSeps[2] = {'\\', '/'};
    if (bits & kPathDrive) add(p.drive);
    if (bits & kPathFolder) add(p.folder);
    if (bits & kPathBase) {
        if (so_far && last != ':' && last != sep) {
            // The path's own separator when it stands there, so that the result can stay a piece.
            bool own = p.base.ptr > path.ptr && p.base.ptr[-1] == sep;
            add(own ? StrMake(p.base.ptr - 1, 1) : StrMake(&kSeps[mode == 1], 1));
        }
        add(p.base);
    }
    if ((bits & kPathExt) && p.ext.len) {
        if (so_far) add(StrMake(p.ext.ptr - 1, 1));
        add(p.ext);
    }
    if (n == 0) return StrMake(path.ptr, 0);
    if (n == 1) return parts[0];
    // Neighbouring pieces of path need no copy.
    bool contiguous = true;
    for (int i = 1; i < n; ++i)
        if (parts[i].ptr != parts[i - 1].ptr + parts[i - 1].len) contiguous = false;
    if (contiguous) return StrMake(parts[0].ptr, static_cast<uint16_t>(so_far));
    return Cat(parts, n);
}

StrRef PathJoinRaw(StrRef base, StrRef name, int mode) {
    if (!base.ok()) return base;
    if (!name.ok()) return name;
    const char sep = SepOf(mode);
    uint16_t mark = PoolMark();
    if ((name.len && name.ptr[0] == sep) || std::memchr(name.ptr, ':', name.len)) base = StrMake(base.ptr, 0);
    if (base.len && std::memchr(name.ptr, sep, name.len)) {
        base = PathResolve(base, PathPart(name, kPathDriveFolder, mode));
        name = PathPart(name, kPathFileName, mode);
        if (!base.ok()) return PoolReturn(mark, base);
        if (!name.ok()) return PoolReturn(mark, name);
    }
    const char sepText[1] = {sep};
    StrRef parts[3] = {base, StrMake(sepText, 0), name};
    if (base.len && !EndsWithSep(base, sep) && !(name.len && name.ptr[0] == sep)) parts[1].len = 1;
    return PoolReturn(mark, Cat(parts, 3));
}

StrRef PathJoin(StrRef base, StrRef name) {
    if (!base.ok()) return base;
    if (!name.ok()) return name;
    uint16_t mark = PoolMark();
    return PoolReturn(mark, PathJoinRaw(Backslashed(base), Backslashed(name), 0));
}

StrRef PathResolve(StrRef base, StrRef relative) {
    if (!base.ok()) return base;
    if (!relative.ok()) return relative;
    uint16_t mark = PoolMark();
    const uint16_t ups = LeadingUps(relative);
    for (uint16_t i = 0; i < ups; ++i) base = PathPart(base, kPathDriveFolder);
    const uint32_t skip = uint32_t{ups} * 3;
    StrRef rest = skip >= relative.len ? StrMake(relative.ptr + relative.len, 0)
                                       : StrMake(relative.ptr + skip, static_cast<uint16_t>(relative.len - skip));
    StrRef joined = PathJoin(base, rest);
    if (!joined.ok()) return PoolReturn(mark, joined);
    if (!std::memchr(joined.ptr, '.', joined.len)) return PoolReturn(mark, joined);
    return PoolReturn(mark, Replace(joined, StrFromLiteral("\\.\\"), StrFromLiteral("\\"), true));
}

StrRef WithExtension(StrRef name, StrRef ext) { return Join(name, StrFromLiteral("."), ext); }

StrRef WithWildcard(StrRef folder, bool on) {
    if (!folder.ok() || !on) return folder;
    return PathJoin(folder, StrFromLiteral("*.*"));
}

}  // namespace rt
