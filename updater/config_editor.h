// The configuration editor: the list of known applications, each edited in a form; a new entry,
// a changed one, or one deleted by clearing its name, written back to config.txt.
#pragma once

#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace rt {

// Loop until the user leaves the list: the list (message 49) offers "Nuevo" (message 28 field 1)
// and the names of config.txt (missing: an empty list); the chosen entry opens the form of message
// 139 titled message 79, with a folder button on the target. A form left without data goes back
// to the list. An empty source becomes the default source for the target (host, the state
// record's use-SSH field). The new line is appended, replaces the entry, or with an empty name
// removes it; the file is written in one step. 0 when the user leaves; the error of a read (other
// than 164), of the form or of the write ends the editor.
ErrCode ConfigurationEditor(StrRef host);

// The file's lines after one edit: lines (joined with "\n"), entry k (0 for a new one) set to
// line, or removed when line is empty. A pool entry.
PoolText EditConfigLines(StrRef lines, uint16_t entry, StrRef line);

}  // namespace rt
