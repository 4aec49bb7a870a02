// The list of known applications, "config.txt", found through "runpath.txt": reading, writing,
// its lines (a name, a hyphen and the quoted pair of source and target) and the pair itself.
//
// A pair is the source, a comma and the target. A part holding a comma or a quote is quoted
// (ui/form_value.h) so that the first comma outside quotes always splits it; a config line keeps
// the pair quoted as one value and quotes a name holding a hyphen or a quote, so that every text a
// person typed comes back unchanged.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/temp_pool.h"

namespace rt {

inline constexpr char kRunPathFile[] = "%ProgramData%\\Orvik\\[$]\\runpath.txt";
// The folder name in kRunPathFile: fixed, not the nick of APNAME.
inline constexpr char kRunPathNick[] = "Kelvane";
inline constexpr char kConfigFileName[] = "config.txt";

// The folder named by the run-path file (its second comma field; [$] is the application's nick);
// empty when the file is missing or names none. A pool entry.
PoolText RunPathFolder();
// Where config.txt is read and written: the run-path folder joined with it, else config.txt in
// the working folder. A pool entry.
PoolText ConfigFilePath();
// The lines of the configuration file, trimmed, joined with "\n". A missing, unreadable or empty
// file gives 164, reported against the path (the program's own folder joined with config.txt when
// no run-path folder exists). A pool entry.
PoolText ReadConfig(StrRef path);
// Writes lines (joined with "\n") to path with CR LF line ends, replacing the file in one step.
ErrCode WriteConfig(StrRef path, StrRef lines);

// One line of the configuration file.
struct ConfigEntry {
    StrRef name;
    StrRef source;
    StrRef target;
};
// The parts of a line: the name before the first hyphen outside quotes, and the pair after it,
// each unquoted. Pieces of line or pool texts; a line without a hyphen has only a name.
ConfigEntry ParseConfigLine(StrRef line);
// The line for name, source and target ("name-'source,target'" for plain texts). A pool entry.
PoolText ConfigLine(StrRef name, StrRef source, StrRef target);
// The pair of a line: the unquoted value after its hyphen. A piece of line or a pool entry.
PoolText ConfigLinePair(StrRef line);
// The names of the lines, NUL-separated (so that a name may hold commas), for a selection list. With
// first given, it is the first item. A pool entry.
PoolText ConfigNames(StrRef lines, StrRef first);

// Pairs.
PoolText MakePair(StrRef source, StrRef target);
PoolText PairSource(StrRef pair);
PoolText PairTarget(StrRef pair);

}  // namespace rt
