// Fuzz target: title and definition texts through the form reader, the layout and the option
// lookups; and the same bytes as a user value, which must come back exactly from a definition.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/context.h"
#include "runtime/strref.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "ui/form_definition.h"
#include "ui/form_layout.h"
#include "ui/form_value.h"

namespace {

void Check(bool cond) {
    if (!cond) __builtin_trap();
}

bool Same(rt::StrRef a, const char* p, size_t n) { return a.ok() && a.len == n && (n == 0 || std::memcmp(a.ptr, p, n) == 0); }

// A definition with the bytes as the values of its fields: still two fields and the same option.
void ValueRoundTrip(const char* p, size_t n) {
    if (n > 4000 || std::memchr(p, '\0', n)) return;
    const rt::StrRef value = rt::StrMake(p, static_cast<uint16_t>(n));
    const rt::StrRef quoted = rt::FormQuote(value);
    Check(quoted.ok());
    Check(rt::IsFormQuoted(quoted));
    Check(Same(rt::FormUnquote(quoted), p, n));
    const rt::StrRef values[2] = {value, value};
    const rt::StrRef text = rt::FormFill(rt::StrFromLiteral("'a':'A30'::'[$1]','{1,2}b':'A3'::x[$2]y /FLDBUTTONS$=\",PATH\""), values, 2);
    Check(text.ok());
    rt::Form form;
    Check(rt::FormRead(form, rt::StrFromLiteral("T"), text) == 0);
    Check(form.fieldCount == 2);
    Check(Same(form.fields[0].initial, p, n));
    Check(form.fields[1].button == rt::FieldButton::Path);
    Check(form.fields[1].colRequest.kind == rt::GridRequest::Absolute && form.fields[1].colRequest.value == 2);
    Check(Same(rt::FormOption(form, "FD$"), "_SCRF1$,_SCRF2$", 15));
}

void ReadAndLay(const uint8_t* data, size_t size) {
    const uint16_t flags = static_cast<uint16_t>((data[0] & 1 ? rt::kFormKeepMargins : 0) |
                                                 (data[0] & 2 ? rt::kFormScreenSize : 0) |
                                                 (data[0] & 4 ? rt::kFormLineLayout : 0));
    const bool buttons = data[0] & 8;
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const size_t restLen = size - 1;
    const void* nl = std::memchr(rest, '\n', restLen);
    const size_t titleLen = nl ? static_cast<size_t>(static_cast<const char*>(nl) - rest) : 0;
    const char* def = nl ? rest + titleLen + 1 : rest;
    const size_t defLen = restLen - (nl ? titleLen + 1 : 0);
    rt::Form form;
    if (rt::AcceptWinSelect(form, rt::StrMake(rest, static_cast<uint16_t>(titleLen)),
                            rt::StrMake(def, static_cast<uint16_t>(defLen)), flags) != 0) {
        Check(form.fieldCount == 0);
        return;
    }
    Check(form.fieldCount <= rt::kMaxFormFields && form.lineCount <= rt::kMaxFormLines);
    const rt::FormGrid current{80, 24, {1, 1, 1, 1}, 10};
    const bool laid = rt::FormLayout(form, flags, buttons, current) == 0;
    const rt::CellMetrics cell{10, 22, 16};
    for (uint16_t i = 0; i < form.fieldCount; ++i) {
        const rt::PoolScope scope;
        const rt::FormField& f = form.fields[i];
        Check(f.number == i + 1 && f.text.ok() && f.label.ok() && f.initial.ok() && f.variable.ok() && f.variable.len);
        Check(f.width <= rt::kMaxFieldWidth);
        for (uint16_t k = 1; k <= rt::FieldChoiceCount(f) && k < 8; ++k) Check(rt::FieldChoice(f, k).ok());
        Check(rt::FormOptionEntry(form, "ALARM$", f.number).ok());
        if (!laid) continue;
        Check(f.row >= 1 && f.row <= form.grid.rows && f.col >= 1 && f.labelRow >= 1 && f.labelCol >= 1);
        Check(f.col + f.cells - 1 <= form.grid.columns || f.cells == 0);
        Check(rt::FixedTextId(form.grid, f.labelRow, f.labelCol) < 0xFFFF);
        const rt::PixelRect r = rt::FieldInputRect(form.grid, cell, f);
        const rt::PixelRect client = rt::FormClientRect(form.grid, cell);
        Check(r.width >= 15 && r.x >= 0 && r.y >= 0 && client.width >= 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = rt::ContextInit() == 0 && rt::SystemVarsDefaults() == 0;
    if (!ready || size < 1 || size > 0xFFFF) return 0;
    const uint16_t mark = rt::PoolMark();
    ReadAndLay(data, size);
    Check(rt::PoolMark() == mark);
    ValueRoundTrip(reinterpret_cast<const char*>(data), size);
    rt::PoolRelease(mark);
    return 0;
}
