// What a desktop tells the update server about itself on every request (protocol/desktop_report.h),
// so that an administrator sees the whole fleet: its name, the updater's version, how its previous
// run ended and which list it last installed completely from the source.
//
// The previous run's exit code and the digests are kept in "kelvane.rep" in the working folder,
// beside kelvane.dat: "exit <code>" on its first line, then one line per source,
// "<list digest> <SHA-256 of the source in lower case>" (64 hex digits each), so that no address
// with a password in its query is ever written there. A line this program did not write is dropped.
#pragma once

#include <string>

#include "runtime/errcode.h"
#include "runtime/strref.h"

namespace rt {

inline constexpr char kReportFileName[] = "kelvane.rep";

// The header lines for requests to source, each "Name: value\r\n": the machine name, the version,
// and the previous exit code and the digest kept for source when they are known.
std::string ReportHeaders(StrRef source);

// Keeps this run's exit code for the next run's headers; the digests stay.
void RememberExitCode(ErrCode code);
// After a complete update from source: keeps the digest of its list answer (ListDigest).
void RememberInstalledList(StrRef source, const std::string& listDigest);

}  // namespace rt
