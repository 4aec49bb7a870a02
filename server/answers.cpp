// Building and sending the update server's answers.
#include "server/answers.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "runtime/dir_search.h"
#include "runtime/strref.h"
#include "server/checksum_cache.h"
#include "server/published_path.h"
#include "server/query.h"
#include "server/runtime_guard.h"
#include "protocol/checksum.h"
#include "protocol/file_list.h"
#include "protocol/transfer_header.h"

namespace rt {
namespace {

constexpr size_t kIoBlock = 65536;

std::string HeaderText(const TransferHeader& h) {
    char out[kTransferHeaderSize];
    if (FormatTransferHeader(h, out) != kOk) return std::string();
    return std::string(out, kTransferHeaderSize);
}

// Reads exactly n bytes unless the file ends first; *got says how many arrived.
ErrCode ReadFull(int fd, char* buffer, size_t n, size_t* got) {
    *got = 0;
    while (*got < n) {
        const ssize_t r = read(fd, buffer + *got, n - *got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return kErrFileNotFound;
        if (r == 0) break;
        *got += static_cast<size_t>(r);
    }
    return kOk;
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        Reset(other.fd_);
        other.fd_ = -1;
    }
    return *this;
}

void UniqueFd::Reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
}

Answer ErrorAnswer(ErrCode code, std::string_view text) {
    Answer a;
    a.code = code;
    a.head = "Error #" + std::to_string(code) + ".";
    if (!text.empty()) {
        a.head.append(text);
    } else {
        a.head.append(RuntimeGuard().ErrorName(code));
    }
    return a;
}

Answer TextAnswer(const char* text) {
    Answer a;
    a.head = text;
    return a;
}

Answer ListAnswer(const std::vector<PublishedFile>& files) {
    std::string names;
    std::vector<FileInfo> records;
    records.reserve(files.size());
    TransferHeader h;
    for (const PublishedFile& f : files) {
        if (!names.empty()) names.push_back('\0');
        names.append(f.name);
        records.push_back(f.info);
        if (f.info.writeDate > h.date || (f.info.writeDate == h.date && f.info.writeTime > h.time)) {
            h.date = f.info.writeDate;
            h.time = f.info.writeTime;
        }
    }
    // Sent anyway, such a list would only be refused by the updater after the whole transfer.
    if (names.size() > kMaxNamesBlock || files.size() > kMaxListingNames) {
        return ErrorAnswer(kErrOutOfMemory, "The list of " + std::to_string(files.size()) +
                                                " files is longer than the updater can hold");
    }
    std::string body(FileListBodySize(static_cast<uint32_t>(names.size()),
                                      static_cast<uint32_t>(files.size())), '\0');
    uint32_t written = 0;
    if (files.empty()) {
        // An empty names block: the updater reads it as "File Not Found", as it should.
        body.assign(kListLengthWidth, '0');
        written = kListLengthWidth;
    } else {
        const ErrCode err = FormatFileList(
            NameBlock(names.data(), static_cast<uint32_t>(names.size())), records.data(),
            static_cast<uint16_t>(files.size()), body.data(), static_cast<uint32_t>(body.size()),
            &written);
        if (err) return ErrorAnswer(err);
        body.resize(written);
    }
    h.size = written;
    h.checksum = ChecksumOfBytes(body.data(), written);
    Answer a;
    a.contentType = "application/octet-stream";
    a.head = HeaderText(h) + body;
    return a;
}

Answer FileAnswer(const std::string& realPath) {
    // Not blocking on open: a fifo put in place of the file must not hold the thread.
    UniqueFd fd(open(realPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st;
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return ErrorAnswer(kErrFileNotFound);
    }
    if (static_cast<uint64_t>(st.st_size) > 0xFFFFFFFFu) {
        return ErrorAnswer(kErrDataOutBound, "File too large");
    }
    TransferHeader h;
    h.size = static_cast<uint32_t>(st.st_size);
    LocalStamp(st.st_mtime, &h.date, &h.time);
    // The checksum needs every byte before the header can go out; the bytes are read again when
    // they are sent rather than held in memory, and the sum is kept for the next request.
    if (SharedChecksumCache().Checksum(fd.get(), st, &h.checksum) != kOk ||
        lseek(fd.get(), 0, SEEK_SET) != 0) {
        return ErrorAnswer(kErrFileNotFound);
    }
    Answer a;
    a.contentType = "application/octet-stream";
    a.head = HeaderText(h);
    a.file = std::move(fd);
    a.fileBytes = h.size;
    return a;
}

Answer HandleQuery(const ServerConfig& config, std::string_view query) {
    ServerQuery q;
    if (ParseServerQuery(query, &q) != kOk) return ErrorAnswer(kErrBadInput);
    std::string relative;
    if (NormalizeRelative(q.path, &relative) != kOk) return ErrorAnswer(kErrBadInput);
    const auto access = [&](std::string_view folder) {
        return CheckAccess(config.users, q.hasUser, q.user, q.hasPassw, q.passw, folder);
    };
    ErrCode err = access(relative);
    if (err) return ErrorAnswer(err);
    std::string folder;
    err = ResolveFolder(config.root, relative, &folder);
    if (err) return ErrorAnswer(err);
    // A link inside the root must not open a private folder to whoever may read the link's
    // place: access is decided on where a name leads as well as on the name.
    err = access(RelativeToRoot(config.root, folder));
    if (err) return ErrorAnswer(err);
    if (q.kind == RequestKind::kFile) {
        std::string file;
        err = ResolveFile(config.root, folder, q.downfile, &file);
        if (err) return ErrorAnswer(err);
        err = access(FolderOf(RelativeToRoot(config.root, file)));
        if (err) return ErrorAnswer(err);
        return FileAnswer(file);
    }
    std::vector<PublishedFile> files;
    err = WalkFolder(config.root, folder, [&](std::string_view f) { return access(f) == kOk; }, &files);
    if (err) return ErrorAnswer(err);
    if (q.kind == RequestKind::kStatus) return TextAnswer(AnyNewer(files, q.date, q.time) ? "Fail" : "OK");
    return ListAnswer(files);
}

ErrCode WriteAll(int fd, const char* data, size_t n) {
    while (n > 0) {
        const ssize_t w = send(fd, data, n, MSG_NOSIGNAL);
        if (w < 0 && errno == ENOTSOCK) {
            const ssize_t p = write(fd, data, n);
            if (p < 0 && errno == EINTR) continue;
            if (p <= 0) return kErrNetAccess;
            data += p;
            n -= static_cast<size_t>(p);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return kErrNetAccess;
        data += w;
        n -= static_cast<size_t>(w);
    }
    return kOk;
}

ErrCode SendAnswerBody(int fd, Answer* answer) {
    ErrCode err = WriteAll(fd, answer->head.data(), answer->head.size());
    if (err || answer->fileBytes == 0) return err;
    std::string buffer(kIoBlock, '\0');
    uint64_t left = answer->fileBytes;
    while (left > 0) {
        size_t got = 0;
        const size_t want = left < kIoBlock ? static_cast<size_t>(left) : kIoBlock;
        if (ReadFull(answer->file.get(), buffer.data(), want, &got) != kOk || got == 0) {
            return kErrFileIo;
        }
        err = WriteAll(fd, buffer.data(), got);
        if (err) return err;
        left -= got;
    }
    return kOk;
}

}  // namespace rt
