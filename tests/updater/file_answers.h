// File answers as the server sends them, and their installation through the installer a download
// feeds, in the pieces a socket hands over.
#pragma once

#include <algorithm>
#include <string>

#include "protocol/checksum.h"
#include "protocol/transfer_header.h"
#include "runtime/temp_pool.h"
#include "updater/file_answer.h"

namespace rt_test {

inline std::string FileAnswer(const std::string& content, int32_t date, int32_t time) {
    rt::TransferHeader h;
    h.size = static_cast<uint32_t>(content.size());
    h.date = date;
    h.time = time;
    h.checksum = rt::ChecksumOfBytes(content.data(), h.size);
    char head[rt::kTransferHeaderSize];
    rt::FormatTransferHeader(h, head);
    return std::string(head, rt::kTransferHeaderSize) + content;
}

// The installer's result for answer, with its failure reported against target as a transfer does.
inline rt::ErrCode InstallAnswer(const std::string& answer, rt::StrRef target, size_t piece = 4096) {
    rt::PoolScope scope;
    rt::FileAnswerInstaller installer(target, target, nullptr, false);
    rt::ErrCode err = 0;
    for (size_t at = 0; !err && at < answer.size(); at += piece) {
        err = installer.Write(answer.data() + at, static_cast<uint32_t>(std::min(piece, answer.size() - at)));
    }
    if (!err) err = installer.Finish();
    if (installer.failed()) installer.ReportFailure();
    return err;
}

}  // namespace rt_test
