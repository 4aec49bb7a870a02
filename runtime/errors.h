// Error names, the texts shown to the user, the detail text and the "Error #" form.
#pragma once

#include <cstdint>

#include "runtime/error_record.h"
#include "runtime/strref.h"

namespace rt {

// English name of a code of the table (kErrUserCanceled up to its last name, "Lang Files Missing"),
// "Undefined" outside it.
StrRef ErrorNameEnglish(ErrCode code);
// Name in the user's language (field code-121 of message 0), else the English name.
StrRef ErrorName(ErrCode code);
// Field n of the module list; empty when there is none.
StrRef ModuleName(uint32_t n);
// Short text of a code; kErrNoCode means the last recorded code.
StrRef ErrorText(ErrCode code);
// Full text for the user: "Error " + text, the module in brackets, ": " and the detail text.
StrRef ErrorMessage(ErrCode code);
// Sets (or with append, extends) the detail text of the last error; returns code.
ErrCode ReportError(ErrCode code, StrRef text, bool append = false);
// The one step of the routine that detects an error: RecordError(code, module), then
// ReportError(code, detail, append), the pool left as it was. Returns code.
ErrCode RecordAndReport(ErrCode code, uint32_t module, StrRef detail, bool append = false);
// subject followed by " (<reason>)" when the thread's last failed file call has a reason
// (FsFailureReason), else subject itself: how a failure names a file and why.
StrRef WithFailureReason(StrRef subject, const char* reason);

// The stored detail text (group 9 item 9).
StrRef ErrorDetail();
// "Error #<code>" joined with "." and detail; see the rules for code 0 and invalid details.
StrRef ErrorString(ErrCode code, StrRef detail);
// "Error #<code>".
StrRef ErrorCodeText(ErrCode code);
// "Fail" -> kErrUndefWarning; "Error #<n>.<text>" -> n, with the detail "Server response: <text>";
// else 0.
ErrCode ParseServerError(StrRef reply);

}  // namespace rt
