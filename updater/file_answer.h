// A file answer (transfer header, then content) checked while it arrives and written once, into
// a temporary file beside the target that replaces the target only when every check holds.
#pragma once

#include <cstdint>
#include <memory>

#include "net/http_response.h"
#include "protocol/checksum.h"
#include "protocol/transfer_header.h"
#include "runtime/crypto.h"
#include "runtime/file_info.h"
#include "runtime/strref.h"
#include "runtime/temp_file.h"
#include "updater/server_protocol.h"

namespace rt {

// Fed the answer's bytes in order (by a download as they arrive, or from a file already
// downloaded), then finished once. Checks, in the order they become possible:
//   the first 42 bytes are a transfer header whose fields fit, else kErrTransUp "Server response:
//   <those bytes>" (with serverErrors, an "Error #n.text" or "Fail" answer gives its own code);
//   with expected (the list entry) the header's size, date and time are the entry's, else
//   kErrTransUp at once, before another byte is taken;
//   the checksum of every byte after the header is the header's ("Bad CRC, File:<shown>, ...");
//   no fewer content bytes than announced arrived ("Short transfer, File:<shown>, ...").
// The target is touched only once the header holds: its folder is made when missing and the
// content streams into the temporary file, which is flushed, stamped with the header's local date
// and time (whole seconds) and renamed over the target. Any failure removes the temporary file
// and leaves the old target as it was: kErrFileIo when the target cannot be written or replaced,
// kErrBadInput when the date and time are not a real local time.
class FileAnswerInstaller final : public BodySink {
public:
    // shown names the answer in the failure texts: the download's path, or the target.
    FileAnswerInstaller(StrRef target, StrRef shown, const FileInfo* expected, bool serverErrors);
    FileAnswerInstaller(const FileAnswerInstaller&) = delete;
    FileAnswerInstaller& operator=(const FileAnswerInstaller&) = delete;

    ErrCode Write(const char* data, uint32_t n) override;
    // After the last byte: the checks that need the whole answer, then the installation. The
    // failure, if any, stays for ReportFailure.
    ErrCode Finish();
    // Whether Write or Finish refused the answer (rather than the transfer failing around it).
    bool failed() const { return code_ != 0; }
    // Records and reports the refusal against the target, with its text first when it has one.
    ErrCode ReportFailure() const;
    // What the caller knows of the target: 1 there, 0 missing (an update made all at once then
    // spares a look at it).
    void KnowTarget(bool exists) { targetExists_ = exists ? 1 : 0; }

private:
    ErrCode Fail(ErrCode code, const char* text);
    // kErrFileIo with the system's reason, named after the target in the report.
    ErrCode FailIo();
    ErrCode Fail(ErrCode code, const char* text, uint32_t len);
    ErrCode TakeHeader();
    ErrCode Begin();
    ErrCode FlushBlock();

    static constexpr uint32_t kBlock = 65536;
    static constexpr uint32_t kProbe = kServerAnswerProbe;  // what an error answer may show of itself

    char target_[kTempPathMax] = {};
    char shown_[kTempPathMax] = {};
    const FileInfo* expected_;
    bool serverErrors_;

    char head_[kProbe] = {};
    uint32_t headLen_ = 0;
    bool streaming_ = false;  // the header held: content is being written
    TransferHeader header_;
    ChecksumState sum_;
    // What was written, digested only for an update that checks digests (StagedUpdate).
    std::unique_ptr<Sha256> digest_;
    uint64_t content_ = 0;
    ReplacementFile file_;
    uint32_t used_ = 0;
    char block_[kBlock];

    ErrCode code_ = 0;
    bool recorded_ = false;  // the code was recorded and reported where it arose
    char text_[700] = {};
    const char* reason_ = "";
    int targetExists_ = -1;
    uint32_t textLen_ = 0;
};

}  // namespace rt
