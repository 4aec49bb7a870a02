// Walk of a published folder into the records of its files.
#include "server/folder_walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "runtime/strref.h"
#include "server/published_path.h"
#include "protocol/file_name_check.h"

namespace rt {
namespace {

struct DirCloser {
    DIR* dir;
    explicit DirCloser(DIR* d) : dir(d) {}
    ~DirCloser() { if (dir) closedir(dir); }
    DirCloser(const DirCloser&) = delete;
    DirCloser& operator=(const DirCloser&) = delete;
};

bool NameAccepted(const std::string& relative) {
    if (relative.size() > kMaxText) return false;
    return CheckFileName(StrMake(relative.data(), static_cast<uint16_t>(relative.size()))) == kOk;
}

void AddFile(const struct stat& st, std::string relative, std::vector<PublishedFile>* out) {
    if (static_cast<uint64_t>(st.st_size) > 0xFFFFFFFFu) return;
    PublishedFile f;
    f.name = std::move(relative);
    f.info.size = static_cast<uint32_t>(st.st_size);
    f.info.attributes = kAttrArchive;
    LocalStamp(st.st_mtime, &f.info.writeDate, &f.info.writeTime);
    out->push_back(std::move(f));
}

ErrCode Walk(const std::string& root, const std::string& dirPath, const std::string& prefix,
             int depth, std::vector<PublishedFile>* out) {
    DirCloser d(opendir(dirPath.c_str()));
    if (!d.dir) return kErrFileNotFound;
    while (struct dirent* e = readdir(d.dir)) {
        if (out->size() >= kMaxWalkFiles) return kOk;
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string relative = prefix.empty() ? name : prefix + "\\" + name;
        // A name holding '\' would read as a subfolder on the other side.
        if (name.find('\\') != std::string::npos || !NameAccepted(relative)) continue;
        const std::string full = dirPath + "/" + name;
        struct stat st;
        if (lstat(full.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            if (depth < kMaxWalkDepth) Walk(root, full, relative, depth + 1, out);
        } else if (S_ISREG(st.st_mode)) {
            AddFile(st, std::move(relative), out);
        } else if (S_ISLNK(st.st_mode)) {
            std::string real;
            if (RealPath(full, &real) != kOk || !IsInside(root, real)) continue;
            if (stat(real.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                AddFile(st, std::move(relative), out);
            }
        }
    }
    return kOk;
}

}  // namespace

void LocalStamp(time_t stamp, int32_t* date, int32_t* ms) {
    *date = 0;
    *ms = 0;
    if (stamp < 0 || stamp > INT32_MAX) return;
    struct tm t;
    if (!localtime_r(&stamp, &t)) return;
    *date = (t.tm_year + 1900) * 10000 + (t.tm_mon + 1) * 100 + t.tm_mday;
    *ms = ((t.tm_hour * 60 + t.tm_min) * 60 + t.tm_sec) * 1000;
}

ErrCode WalkFolder(const std::string& root, const std::string& folder,
                   std::vector<PublishedFile>* out) {
    std::vector<PublishedFile> files;
    const ErrCode err = Walk(root, folder, "", 0, &files);
    if (err) return err;
    std::sort(files.begin(), files.end(),
              [](const PublishedFile& a, const PublishedFile& b) { return a.name < b.name; });
    *out = std::move(files);
    return kOk;
}

bool AnyNewer(const std::vector<PublishedFile>& files, int32_t date, int32_t ms) {
    for (const PublishedFile& f : files) {
        if (f.info.writeDate > date || (f.info.writeDate == date && f.info.writeTime > ms)) {
            return true;
        }
    }
    return false;
}

}  // namespace rt
