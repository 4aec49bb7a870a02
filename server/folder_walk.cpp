// Walk of a published folder into the records of its files.
#include "server/folder_walk.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "runtime/dir_search.h"
#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "server/published_path.h"
#include "protocol/file_name_check.h"

namespace rt {
namespace {

bool NameAccepted(const std::string& relative) {
    if (relative.size() > kMaxText) return false;
    return CheckFileName(StrMake(relative.data(), static_cast<uint16_t>(relative.size()))) == kOk;
}

void AddFile(const FileInfo& found, std::string relative, std::vector<PublishedFile>* out) {
    // The search caps sizes of 4 GiB and more at 0xFFFFFFFF, which the transfer header cannot
    // announce either.
    if (found.size == 0xFFFFFFFFu) return;
    PublishedFile f;
    f.name = std::move(relative);
    f.info.size = found.size;
    f.info.attributes = kAttrArchive;
    f.info.writeDate = found.writeDate;
    f.info.writeTime = found.writeTime;
    out->push_back(std::move(f));
}

ErrCode Walk(const std::string& root, const std::string& dirPath, const std::string& prefix,
             int depth, std::vector<PublishedFile>* out) {
    const std::string pattern = dirPath + "/*";
    if (pattern.size() > kMaxText) return kErrFileNotFound;
    PoolScope scope;
    DirSearch search;
    DirEntry e;
    ErrCode err = search.First(StrMake(pattern.data(), static_cast<uint16_t>(pattern.size())), &e);
    if (err) return err;
    for (; !err; err = search.Next(&e)) {
        if (out->size() >= kMaxWalkFiles) return kOk;
        const std::string name(e.name, e.nameLen);
        if (name == "." || name == "..") continue;
        std::string relative = prefix.empty() ? name : prefix + "\\" + name;
        // A name holding '\' would read as a subfolder on the other side.
        if (name.find('\\') != std::string::npos || !NameAccepted(relative)) continue;
        const bool folder = (e.info.attributes & kAttrFolder) != 0;
        if (e.link) {
            // Linked folders are not entered (no cycles, no way out); a linked file counts only
            // when it resolves inside the root.
            std::string real;
            if (folder || RealPath(dirPath + "/" + name, &real) != kOk || !IsInside(root, real)) continue;
            AddFile(e.info, std::move(relative), out);
        } else if (folder) {
            if (depth < kMaxWalkDepth) Walk(root, dirPath + "/" + name, relative, depth + 1, out);
        } else {
            AddFile(e.info, std::move(relative), out);
        }
    }
    return err == kCompletion ? kOk : err;
}

}  // namespace

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
