// Field-type conversions: display text from a stored value and stored value from a display text.
#include "script/field_types.h"

#include "runtime/error_record.h"
#include "runtime/string_store.h"
#include "runtime/temp_pool.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/dates.h"
#include "script/edit_mask.h"
#include "runtime/number_text.h"

namespace rt {

namespace {


constexpr char kDefaultAnswers[] = "NY;,NO,YES";
// Stored logical values by answer position: no match, first (no), second (yes).
constexpr char kLogicalStored[] = " 01";
// 'O' fields show the first letter for a positive value and the second otherwise.
constexpr char kOptionLetters[] = "VX";
constexpr char kLinkTemplate[] =
    "{\\rtf1{\\field{\\*\\fldinst{HYPERLINK \"[$]\" }}{\\fldrslt{[$]}}}}";

StrRef Blanks(int width) { return PoolAllocFilled(width > 0 ? static_cast<uint32_t>(width) : 0, ' '); }

bool IsNumericType(char type) { return type == 'N' || (type >= '1' && type <= '9'); }

// Decimal text of an integer, "0" for zero.
StrRef IntegerText(int64_t v) {
    char buf[24];
    int n = 0;
    uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    do {
        buf[sizeof buf - 1 - n++] = static_cast<char>('0' + mag % 10);
        mag /= 10;
    } while (mag);
    if (v < 0) buf[sizeof buf - 1 - n++] = '-';
    return PoolCopy(StrMake(buf + sizeof buf - n, static_cast<uint16_t>(n)));
}

// Leading blanks, an optional sign and digits, as a 64-bit integer (saturating).
int64_t ReadInteger(StrRef s) {
    uint16_t i = 0;
    while (i < s.len && (s.ptr[i] == ' ' || s.ptr[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.len && (s.ptr[i] == '-' || s.ptr[i] == '+')) negative = s.ptr[i++] == '-';
    uint64_t mag = 0;
    const uint64_t limit = negative ? (uint64_t{1} << 63) : (uint64_t{1} << 63) - 1;
    for (; i < s.len && s.ptr[i] >= '0' && s.ptr[i] <= '9'; ++i) {
        mag = mag * 10 + static_cast<uint64_t>(s.ptr[i] - '0');
        if (mag > limit) {
            mag = limit;
            break;
        }
    }
    return negative ? static_cast<int64_t>(0 - mag) : static_cast<int64_t>(mag);
}

// The label and the link of an 'R' value in the rich-text hyperlink template.
StrRef LinkText(StrRef value) {
    const StrRef label = Field(value, ';', 1);
    const StrRef link = Replace(Field(value, ';', 2), StrFromLiteral("\\"), StrFromLiteral("/"), true);
    if (!link.ok()) return link;
    const StrRef pieces[] = {link, label};
    const StrRef tmpl = StrFromLiteral(kLinkTemplate);
    const uint32_t total = tmpl.len - 6u + link.len + label.len;
    if (total > kMaxText) return FailStr(true, kModFormatStrings, kErrOutOfMemory, {});
    ErrCode err = 0;
    char* out = PoolBuffer(total, &err);
    if (!out) return StrErr(err);
    uint32_t n = 0;
    int used = 0;
    for (uint16_t i = 0; i < tmpl.len; ++i) {
        if (used < 2 && i + 2 < tmpl.len && tmpl.ptr[i] == '[' && tmpl.ptr[i + 1] == '$' && tmpl.ptr[i + 2] == ']') {
            for (char c : pieces[used]) out[n++] = c;
            ++used;
            i += 2;
        } else {
            out[n++] = tmpl.ptr[i];
        }
    }
    return StrMake(out, static_cast<uint16_t>(n));
}

StrRef LogicalDisplay(StrRef stored, int width) {
    const StrRef words = Field(LogicalAnswerMessage(), ';', 2);
    const StrRef v = Trim(stored, kTrimStart | kTrimEnd);
    const uint16_t word = v.len == 0 ? 1 : (IsYes(v) ? 3 : 2);
    StrRef shown = FitWidth('A', Field(words, ',', word), width);
    if (width == 16) shown = Trim(shown, kTrimEnd);
    return shown;
}

StrRef LogicalStored(StrRef display) {
    const StrRef message = LogicalAnswerMessage();
    const StrRef typed = Case(Trim(display, kTrimStart | kTrimEnd), 1);
    if (!typed.ok()) return typed;
    int index;  // 0 no match, 1 the "no" answer, 2 the "yes" answer
    if (typed.len == 1) {
        const uint16_t pos = FindChar(Field(message, ';', 1), 0, typed.ptr[0], true);
        index = pos == kNpos ? 0 : pos + 1;
    } else {
        index = static_cast<int>(ListIndex(Field(message, ';', 2), typed, ',')) - 1;
    }
    if (index < 0 || index > 2) index = 0;
    return CharStr(kLogicalStored[index]);
}

StrRef DateDisplay(char type, int width, StrRef stored) {
    if (type == 'F' && Trim(stored, kTrimStart | kTrimEnd).len == 0) return Blanks(width);
    if (width != 8 && width != 10) return Blanks(width);
    return WriteDate(stored, width == 8 ? 1 : 2);
}

StrRef TimeDisplay(int width, StrRef stored) {
    const StrRef shown = WriteTime(ReadInteger(stored), 1);
    if (!shown.ok() || width < 0 || shown.len <= width) return shown;
    return SubStr(shown, 0, static_cast<uint16_t>(width));
}

StrRef StoredBeforeFit(char type, int width, StrRef display) {
    switch (type) {
    case 'B':
    case 'C': {
        StrRef kept = KeepChars(display, StrFromLiteral("0123456789 "), false);
        // Codes are zero-filled once anything has been typed.
        if (type == 'C' && kept.ok() && Trim(kept, kTrimStart).len > 0)
            for (uint16_t i = 0; i < kept.len; ++i)
                if (kept.ptr[i] == ' ') MutPtr(kept)[i] = '0';
        return kept;
    }
    case 'D':
    case 'F':
        return ReadDate(type == 'F' && display.len == 0 ? StrFromLiteral(" ") : display);
    case 'L':
        return LogicalStored(display);
    case 'O':
        // Only the first letter is settled; anything else stores "0", the unset option.
        return StrFromLiteral(display.len && display.ptr[0] == kOptionLetters[0] ? "1" : "0");
    case 'T': {
        int64_t millis = 0;
        if (ErrCode err = ReadTime(display, &millis)) return StrErr(err);
        return IntegerText(millis);
    }
    default:
        if (IsNumericType(type)) {
            const StrRef clean = CleanNumberInput(display);
            if (width < 1) return clean;
            return MaskFormat(DefaultMask(type, width, true), clean, kMaskModePoint);
        }
        return display;
    }
}

}  // namespace


StrRef LogicalAnswerMessage() {
    const StrRef definition = StoreGet(kGroupParams, 0);
    return definition.ok() && definition.len ? definition : StrFromLiteral(kDefaultAnswers);
}

StrRef FieldDisplay(char type, int width, StrRef stored) {
    if (!stored.ok()) return stored;
    type = FieldTypeOf(type);
    PoolScope scope;
    StrRef shown;
    switch (type) {
    case 'D':
    case 'F':
        shown = DateDisplay(type, width, stored);
        break;
    case 'L':
        shown = LogicalDisplay(stored, width);
        break;
    case 'O':
        shown = CharStr(stored.len && stored.at(0) > '0' ? kOptionLetters[0] : kOptionLetters[1]);
        break;
    case 'R':
        shown = LinkText(stored);
        break;
    case 'T':
        shown = TimeDisplay(width, stored);
        break;
    default:
        if (IsNumericType(type)) {
            const StrRef v = Trim(stored, kTrimStart | kTrimEnd);
            shown = width < 1 ? v : MaskFormat(DefaultMask(type, width, true), v, kMaskModeComma);
        } else {
            shown = (width < 0 || stored.len == width) ? stored : FitWidth(type, stored, width);
        }
        break;
    }
    if (!shown.ok()) return shown;
    return scope.Return(shown);
}

StrRef FieldStored(char type, int width, StrRef display) {
    if (!display.ok()) return display;
    type = FieldTypeOf(type);
    PoolScope scope;
    StrRef stored = StoredBeforeFit(type, width, display);
    if (stored.ok() && type != 'R') stored = FitWidth(type, stored, width);
    if (!stored.ok()) return stored;
    return scope.Return(stored);
}

}  // namespace rt
