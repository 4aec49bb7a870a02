// Streaming verification and one-step installation of a file answer.
#include "updater/file_answer.h"

#include <cstdio>
#include <cstring>

#include "runtime/dir_search.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/fs.h"
#include "runtime/paths.h"
#include "runtime/staged_update.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"

namespace rt {

namespace {

void CopyText(char* out, size_t size, StrRef s) {
    const size_t n = s.ok() ? (s.len < size - 1 ? s.len : size - 1) : 0;
    if (n) std::memcpy(out, s.ptr, n);
    out[n] = '\0';
}

}  // namespace

FileAnswerInstaller::FileAnswerInstaller(StrRef target, StrRef shown, const FileInfo* expected, bool serverErrors)
    : expected_(expected), serverErrors_(serverErrors) {
    CopyText(target_, sizeof target_, target);
    CopyText(shown_, sizeof shown_, shown);
}

ErrCode FileAnswerInstaller::Fail(ErrCode code, const char* text, uint32_t len) {
    code_ = code;
    textLen_ = text ? (len < sizeof text_ ? len : static_cast<uint32_t>(sizeof text_)) : 0;
    if (textLen_) std::memcpy(text_, text, textLen_);
    return code;
}

ErrCode FileAnswerInstaller::FailIo() {
    reason_ = FsFailureReason();
    return Fail(kErrFileIo, nullptr);
}

ErrCode FileAnswerInstaller::Fail(ErrCode code, const char* text) {
    return Fail(code, text, text ? static_cast<uint32_t>(std::strlen(text)) : 0);
}

ErrCode FileAnswerInstaller::Write(const char* data, uint32_t n) {
    if (code_) return code_;
    while (n && !streaming_) {
        // The header, or as much of an answer that is not one as a refusal shows.
        const uint32_t room = (headLen_ < kTransferHeaderSize ? kTransferHeaderSize : kProbe) - headLen_;
        const uint32_t take = n < room ? n : room;
        std::memcpy(head_ + headLen_, data, take);
        headLen_ += take;
        data += take;
        n -= take;
        if (headLen_ == kTransferHeaderSize && !header_.error && !streaming_) {
            if (ErrCode err = TakeHeader()) return err;
        }
        if (!streaming_ && headLen_ == kProbe) return 0;  // not a header: the rest is not kept
    }
    if (!n) return 0;
    ChecksumFeed(&sum_, data, n);
    // Bytes past the announced size count for the checksum, as the server's sum covers all it
    // sent, but are never written.
    const uint64_t wanted = header_.size > content_ ? header_.size - content_ : 0;
    uint32_t keep = n < wanted ? n : static_cast<uint32_t>(wanted);
    content_ += n;
    while (keep) {
        if (used_ == kBlock) {
            if (ErrCode err = FlushBlock()) return err;
        }
        const uint32_t take = keep < kBlock - used_ ? keep : kBlock - used_;
        std::memcpy(block_ + used_, data, take);
        used_ += take;
        data += take;
        keep -= take;
    }
    return 0;
}

ErrCode FileAnswerInstaller::TakeHeader() {
    const TransferHeader h = ParseTransferHeader(head_, headLen_);
    if (h.error) {
        header_.error = h.error;  // not a header: an error answer, perhaps, decided at the end
        return 0;
    }
    if (expected_ && (h.size != expected_->size || h.date != expected_->writeDate || h.time != expected_->writeTime)) {
        char text[700];
        std::snprintf(text, sizeof text,
                      "Transfer header does not match the list, File:%s, Header:%lu %ld %ld, List:%lu %ld %ld", shown_,
                      static_cast<unsigned long>(h.size), static_cast<long>(h.date), static_cast<long>(h.time),
                      static_cast<unsigned long>(expected_->size), static_cast<long>(expected_->writeDate),
                      static_cast<long>(expected_->writeTime));
        return Fail(kErrTransUp, text);
    }
    header_ = h;
    streaming_ = true;
    return Begin();
}

ErrCode FileAnswerInstaller::Begin() {
    PoolScope scope;
    const StrRef target = StrFromLiteral(target_);
    if (StagedUpdate::Current() && StagedUpdate::Current()->wantsDigests()) digest_ = std::make_unique<Sha256>();
    if (BeginStaged(file_, target, kStagePrefix) == 0) return 0;
    // A listed file may lie in a subfolder the target does not have yet: made only when needed,
    // as looking for it first would cost every file a search.
    const StrRef folder = PathPart(target, kPathDriveFolder);
    if (!folder.ok() || folder.len == 0 || PathExists(folder) == 0 || MakeDirs(folder) != 0 ||
        BeginStaged(file_, target, kStagePrefix) != 0)
        return FailIo();
    return 0;
}

ErrCode FileAnswerInstaller::FlushBlock() {
    uint32_t put = 0;
    if (used_ && file_.file().Write(block_, used_, &put) != 0) return FailIo();
    if (digest_) digest_->Update(block_, used_);
    used_ = 0;
    return 0;
}

ErrCode FileAnswerInstaller::Finish() {
    if (code_) return code_;
    if (!streaming_) {
        PoolScope scope;
        const StrRef answer = StrMake(head_, static_cast<uint16_t>(headLen_));
        if (serverErrors_ && headLen_ > 7) {
            if (ErrCode code = ParseServerError(answer)) {
                RecordError(code, kModNetRecv);
                recorded_ = true;
                return Fail(code, nullptr);
            }
        }
        // The bytes as they came, a NUL among them included.
        static constexpr char kLead[] = "Server response: ";
        const uint32_t shown = headLen_ < kTransferHeaderSize ? headLen_ : kTransferHeaderSize;
        char text[sizeof kLead + kTransferHeaderSize];
        std::memcpy(text, kLead, sizeof kLead - 1);
        std::memcpy(text + sizeof kLead - 1, head_, shown);
        return Fail(kErrTransUp, text, static_cast<uint32_t>(sizeof kLead - 1 + shown));
    }
    const uint32_t actual = sum_.sum;
    if (actual != header_.checksum) {
        char text[700];
        std::snprintf(text, sizeof text, "Bad CRC, File:%s, Demanded CRC:%lu, actual CRC:%lu", shown_,
                      static_cast<unsigned long>(header_.checksum), static_cast<unsigned long>(actual));
        return Fail(kErrTransUp, text);
    }
    // A header that promises more than arrived must not install a short file as if it were whole.
    if (content_ < header_.size) {
        char text[700];
        std::snprintf(text, sizeof text, "Short transfer, File:%s, Announced size:%lu, received:%lu", shown_,
                      static_cast<unsigned long>(header_.size), static_cast<unsigned long>(content_));
        return Fail(kErrTransUp, text);
    }
    if (ErrCode err = FlushBlock()) return err;
    // Stamped through the open file before the rename, so that the target never shows the new
    // content with an old time; then flushed, closed and renamed.
    if (!StampPartsValid(header_.date, header_.time)) return Fail(kErrBadInput, nullptr);
    if (SetFileWriteTimeLocal(file_.file(), header_.date, header_.time - header_.time % 1000) != 0)
        return FailIo();
    if (file_.Finish() != 0) return FailIo();
    uint8_t sha256[kSha256Size];
    const bool digested = digest_ && digest_->Final(sha256) == 0;
    if (StageOrCommit(file_, targetExists_, content_, digested ? sha256 : nullptr) != 0) return FailIo();
    return 0;
}

ErrCode FileAnswerInstaller::ReportFailure() const {
    if (!code_) return 0;
    PoolScope scope;
    const StrRef target = WithFailureReason(StrFromLiteral(target_), reason_);
    if (recorded_) return ReportError(code_, target, true);
    RecordError(code_, kModStreams);
    if (textLen_) {
        ReportError(code_, StrMake(text_, static_cast<uint16_t>(textLen_)));
        return ReportError(code_, target, true);
    }
    return ReportError(code_, target);
}

}  // namespace rt
