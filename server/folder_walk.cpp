// Walk of a published folder into the records of its files.
#include "server/folder_walk.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "runtime/dir_search.h"
#include "runtime/strref.h"
#include "server/published_path.h"
#include "server/runtime_guard.h"
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

struct WalkState {
    const std::string& root;
    const MayReadFn& mayRead;
    std::vector<PublishedFile>* out;
    size_t nameBytes = 0;
};

// A linked file counts only when it resolves inside the root, to a folder the request may read.
bool LinkReadable(const WalkState& w, const std::string& linkPath) {
    std::string real;
    if (RealPath(linkPath, &real) != kOk || !IsInside(w.root, real)) return false;
    return w.mayRead(FolderOf(RelativeToRoot(w.root, real)));
}

ErrCode Walk(WalkState& w, const std::string& dirPath, const std::string& prefix, int depth) {
    DirSearch search;
    DirEntry e;
    ErrCode err = RuntimeGuard().FirstEntry(search, dirPath + "/*", &e);
    if (err) return err;
    for (; !err; err = search.Next(&e)) {
        if (w.out->size() >= kMaxWalkFiles || w.nameBytes > kMaxWalkNameBytes) return kErrOutOfMemory;
        const std::string name(e.name, e.nameLen);
        if (name == "." || name == "..") continue;
        std::string relative = prefix.empty() ? name : prefix + "\\" + name;
        // A name holding '\' would read as a subfolder on the other side.
        if (name.find('\\') != std::string::npos || !NameAccepted(relative)) continue;
        const bool folder = (e.info.attributes & kAttrFolder) != 0;
        if (e.link) {
            // Linked folders are not entered (no cycles, no way out).
            if (folder || !LinkReadable(w, dirPath + "/" + name)) continue;
        } else if (folder) {
            if (depth >= kMaxWalkDepth) continue;
            const ErrCode sub = Walk(w, dirPath + "/" + name, relative, depth + 1);
            // A subfolder that cannot be read is left out; a walk that grew too long is not.
            if (sub == kErrOutOfMemory) return sub;
            continue;
        }
        w.nameBytes += relative.size() + 1;
        AddFile(e.info, std::move(relative), w.out);
    }
    return err == kCompletion ? kOk : err;
}

}  // namespace

ErrCode WalkFolder(const std::string& root, const std::string& folder, const MayReadFn& mayRead,
                   std::vector<PublishedFile>* out) {
    std::vector<PublishedFile> files;
    WalkState w{root, mayRead, &files};
    const ErrCode err = Walk(w, folder, "", 0);
    if (err) return err;
    // Sorted by reference, then moved once: records with texts are dear to swap.
    std::vector<PublishedFile*> order(files.size());
    for (size_t i = 0; i < files.size(); ++i) order[i] = &files[i];
    std::sort(order.begin(), order.end(),
              [](const PublishedFile* a, const PublishedFile* b) { return a->name < b->name; });
    out->clear();
    out->reserve(files.size());
    for (PublishedFile* f : order) out->push_back(std::move(*f));
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
