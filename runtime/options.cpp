// Command-line options: names, values, positions in choice lists and switches.
#include "runtime/options.h"

#include <cstring>

#include "runtime/params.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"

namespace rt {
namespace {

constexpr char kOptionNames[] =
    "?;HELP,APNAME,APSTART,DPATH,SCRWID,SCRHIG,INPUT,OUTPUT,FILE,INDEX,DEVICE,RUN,MODE,TRACE,"
    "CONFIG,HOST,DATABASE,USER,PASSW,XPASSW,LOG,TIMEOUT,SET,EXCLUDE,DELAY";
constexpr char kSwitchLead[] = ": &/-";

bool IsLower(unsigned char c) { return c >= 'a' && c <= 'z'; }
bool IsUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }

// The form is written as an entry of the command line, whatever its value.
bool FormPresent(StrRef line, StrRef form) {
    if (ParamFind(line, form, 0).pos != kNpos) return true;
    const uint16_t mark = PoolMark();
    const bool found = ParamFind(line, Case(form, 0), 0).pos != kNpos;
    PoolRelease(mark);
    return found;
}

bool StandsAsSwitch(StrRef line, StrRef word) {
    for (uint16_t m = FindChar(line, 0, word.ptr[0], false); m != kNpos;
         m = FindChar(line, static_cast<uint16_t>(m + 1), word.ptr[0], false)) {
        const uint32_t end = uint32_t{m} + word.len;
        if (end > line.len) return false;
        if (std::memcmp(line.ptr + m, word.ptr, word.len) != 0) continue;
        if (m == 0 || !std::memchr(kSwitchLead, line.ptr[m - 1], sizeof kSwitchLead - 1)) continue;
        if (end == line.len || line.ptr[end] == ' ') return true;
    }
    return false;
}

}  // namespace

StrRef OptionName(uint16_t n) {
    if (n == 0) return StrEmpty();
    return Field(StrFromLiteral(kOptionNames), ',', n);
}

StrRef OptionValue(uint16_t n) {
    const StrRef line = RunParam(kParamCommandLine);
    PoolScope scope;
    if (n == 0) return scope.Return(Trim(FieldRest(line, ' '), kTrimStart));

    // Only option 1 has several forms ("?" and "HELP"); a key holding ';' could never be written
    // on a command line, so each form is looked up on its own.
    const StrRef name = OptionName(n);
    const uint16_t forms = FieldCount(name, ';');
    for (uint16_t k = 1; k <= forms; ++k) {
        const StrRef form = Field(name, ';', k);
        if (form.len == 0) continue;
        const StrRef v = ParamValue(line, form);
        if (!v.ok()) return v;
        if (v.len) return scope.Return(v);
        if (n == kOptHelp && FormPresent(line, form)) return scope.Return(StrFromLiteral("YES"));
        PoolRelease(scope.mark());
    }
    return scope.Return(StrEmpty());
}

uint16_t OptionIndexOf(StrRef value, StrRef list) {
    if (!value.ok() || !list.ok()) return 0;
    const uint16_t mark = PoolMark();
    if (value.len && list.len && IsLower(value.at(0)) && IsUpper(list.at(0))) value = Case(value, 1);
    const uint16_t index = ListIndex(list, value, ',');
    PoolRelease(mark);
    return index;
}

uint16_t OptionIndex(uint16_t n, StrRef list) {
    const uint16_t mark = PoolMark();
    const uint16_t index = OptionIndexOf(OptionValue(n), list);
    PoolRelease(mark);
    return index;
}

bool SwitchIn(StrRef commandLine, StrRef alternatives, bool exactCase) {
    if (!commandLine.ok() || !alternatives.ok()) return false;
    const uint16_t mark = PoolMark();
    const StrRef line = exactCase ? commandLine : Case(commandLine, 2);
    bool found = false;
    for (uint16_t k = FieldCount(alternatives, ';'); line.ok() && k >= 1 && !found; --k) {
        const StrRef raw = Field(alternatives, ';', k);
        const StrRef word = exactCase ? raw : Case(raw, 2);
        // Every occurrence is tried: "/verbosely -verbose" still holds the switch "verbose".
        found = word.ok() && word.len && StandsAsSwitch(line, word);
    }
    PoolRelease(mark);
    return found;
}

bool SwitchPresent(StrRef alternatives, bool exactCase) {
    return SwitchIn(RunParam(kParamCommandLine), alternatives, exactCase);
}

}  // namespace rt
