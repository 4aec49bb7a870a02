// Resolution of published folders and files below the root, with the escape checks.
#include "server/published_path.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

#include "runtime/strref.h"
#include "protocol/file_name_check.h"

namespace rt {

ErrCode NormalizeRelative(std::string_view path, std::string* out) {
    if (!path.empty() && (path.front() == '/' || path.front() == '\\')) return kErrBadInput;
    std::string result;
    size_t pos = 0;
    while (pos <= path.size()) {
        size_t end = path.find_first_of("/\\", pos);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(pos, end - pos);
        for (unsigned char c : part) {
            if (c < 0x20 || c == ':') return kErrBadInput;
        }
        if (part == "..") return kErrBadInput;
        if (!part.empty() && part != ".") {
            if (!result.empty()) result.push_back('/');
            result.append(part);
        }
        pos = end + 1;
    }
    *out = std::move(result);
    return kOk;
}

ErrCode RealPath(const std::string& path, std::string* out) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return errno == ENOENT || errno == ENOTDIR ? kErrFileNotFound : kErrBadInput;
    *out = real;
    free(real);
    return kOk;
}

bool IsInside(std::string_view root, std::string_view path) {
    if (path.size() < root.size() || path.substr(0, root.size()) != root) return false;
    if (path.size() == root.size()) return true;
    // "/srv/app" must not count as inside "/srv/ap"; the root "/" has its separator already.
    return root.back() == '/' || path[root.size()] == '/';
}

std::string RelativeToRoot(std::string_view root, std::string_view real) {
    if (real.size() <= root.size()) return std::string();
    real.remove_prefix(root.size());
    if (real.front() == '/') real.remove_prefix(1);
    return std::string(real);
}

std::string_view FolderOf(std::string_view relative) {
    const size_t slash = relative.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : relative.substr(0, slash);
}

ErrCode ResolveFolder(const std::string& root, std::string_view path, std::string* out) {
    std::string relative;
    if (NormalizeRelative(path, &relative) != kOk) return kErrBadInput;
    std::string real;
    const ErrCode err = RealPath(relative.empty() ? root : root + "/" + relative, &real);
    if (err) return err;
    if (!IsInside(root, real)) return kErrBadInput;
    struct stat st;
    if (stat(real.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kErrFileNotFound;
    *out = std::move(real);
    return kOk;
}

ErrCode ResolveFile(const std::string& root, const std::string& folder, std::string_view name,
                   std::string* out) {
    if (name.size() > kMaxText) return kErrBadInput;
    if (CheckFileName(StrMake(name.data(), static_cast<uint16_t>(name.size()))) != kOk) {
        return kErrBadInput;
    }
    std::string joined = folder + "/";
    for (char c : name) joined.push_back(c == '\\' ? '/' : c);
    std::string real;
    const ErrCode err = RealPath(joined, &real);
    if (err) return err;
    if (!IsInside(root, real)) return kErrBadInput;
    struct stat st;
    if (stat(real.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kErrFileNotFound;
    *out = std::move(real);
    return kOk;
}

}  // namespace rt
