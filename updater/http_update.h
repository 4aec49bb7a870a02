// The update from an update server: the checks before anything is touched (updates switched off,
// the status query, the user's confirmation, a writable target) and the flow that fetches the
// server's list, compares it with the target folder and transfers what the mask allows.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/strref.h"
#include "updater/folder_sync.h"
#include "updater/run_flags.h"

namespace rt {

// 0 when a file can be made (and removed again) in folder; else the failure's code. The file has a
// name of its own, so nothing a person keeps there is ever overwritten.
ErrCode FolderWritable(StrRef folder);

// The flow: the list request (status window "Conectando con el Servidor....."; a server answer such
// as 175 ends it, 175 after the password reset), "Leyendo Lista de Archivos...", the target's
// scan (a missing folder counts as empty) and the comparison with tolerance 50 whose action is the
// HTTP file transfer. The application's nick names the credentials. listDigest, when given,
// receives the ListDigest of the list answer.
SyncResult HttpUpdateFlow(StrRef source, StrRef target, uint16_t mask, std::string* listDigest = nullptr);

// The update with its checks:
//  - the state record (read with flags) switches updates off with field 1 "0": 124;
//  - unless flags hold Relaunched (the elevated copy): with AskServer the status query (nothing
//    changed: 122; an error: its code), with Confirm the user's yes (no: 122; nobody there to
//    ask: yes), and a writable target (else 131 with Apply, 125 without);
//  - without Apply: 124;
//  - else the flow with mask 22 or 18 (TransferMask); after a result of 0 the state record is
//    stamped, whose write error becomes the result, and the list's digest is kept for source.
// Every request carries the desktop's report headers (updater/desktop_report.h).
SyncResult HttpUpdate(StrRef source, StrRef target, RunFlags flags);

}  // namespace rt
