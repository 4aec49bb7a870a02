// Reading a form's title and definition texts into field records, and its options.
#include "ui/form_definition.h"

#include <cstring>
#include <new>

#include "runtime/block_table.h"
#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/params.h"
#include "runtime/temp_pool.h"
#include "runtime/text_building.h"
#include "runtime/text_format.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "ui/form_value.h"

namespace rt {
namespace {

constexpr uint16_t kTagForm = 22;

ErrCode Refuse(StrRef detail) {
    RecordError(kErrBadInput, kModScreens);
    return ReportError(kErrBadInput, detail.ok() ? detail : StrEmpty());
}

StrRef Blank(StrRef s) { return Trim(s, kTrimStart | kTrimEnd); }

bool IsNameStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(unsigned char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '$' || c == '#';
}

bool SameText(StrRef a, const char* b, bool fold) {
    const size_t n = std::strlen(b);
    if (a.len != n) return false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = a.at(static_cast<uint16_t>(i)), y = static_cast<unsigned char>(b[i]);
        if (fold && x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (x != y) return false;
    }
    return true;
}

// Reads a decimal number of at most kMaxGridPosition from s (digits only, at least one).
bool ReadCount(StrRef s, uint16_t* out) {
    if (s.len == 0 || s.len > 3) return false;
    uint16_t v = 0;
    for (uint16_t i = 0; i < s.len; ++i) {
        if (s.at(i) < '0' || s.at(i) > '9') return false;
        v = static_cast<uint16_t>(v * 10 + (s.at(i) - '0'));
    }
    *out = v;
    return true;
}

// One component of a position in braces.
bool ReadRequest(StrRef s, GridRequest* out) {
    s = Blank(s);
    *out = GridRequest{};
    if (s.len == 0) return true;
    uint16_t v = 0;
    if (s.at(0) == '+' || s.at(0) == '-') {
        if (!ReadCount(SubStr(s, 1, kNpos), &v)) return false;
        *out = {GridRequest::Add, static_cast<int16_t>(s.at(0) == '-' ? -v : v)};
        return true;
    }
    if (!ReadCount(s, &v)) return false;
    if (v) *out = {GridRequest::Absolute, static_cast<int16_t>(v)};
    return true;
}

// "/ROW" or "/COL" at pos of text: one separator character, a number, then the end or '/'.
bool ReadFixed(StrRef text, uint16_t pos, uint16_t* out) {
    const uint32_t from = uint32_t{pos} + 5;
    if (from > text.len) return false;
    uint32_t end = from;
    while (end < text.len && text.ptr[end] >= '0' && text.ptr[end] <= '9') ++end;
    if (end < text.len && text.ptr[end] != '/') return false;
    return ReadCount(StrMake(text.ptr + from, static_cast<uint16_t>(end - from)), out) && *out > 0;
}

// The value of option name in an option text, unquoted; *found tells whether it is there.
StrRef OptionIn(StrRef options, const char* name, bool* found) {
    *found = false;
    for (StrRef rest = options; rest.len;) {
        const uint16_t colon = FindChar(rest, 0, ':', false);
        const StrRef entry = colon == kNpos ? rest : StrMake(rest.ptr, colon);
        rest = colon == kNpos ? StrMake(rest.ptr + rest.len, 0) : FieldRest(rest, ':');
        const uint16_t eq = FindChar(entry, 0, '=', false);
        if (eq == kNpos || !SameText(Blank(StrMake(entry.ptr, eq)), name, false)) continue;
        *found = true;
        return FormUnquote(Blank(SubStr(entry, static_cast<int32_t>(eq) + 1, kNpos)));
    }
    return StrMake(options.ptr, 0);
}

StrRef Entry(StrRef list, uint16_t n) { return FormUnquote(Blank(Field(list, ',', n))); }

}  // namespace

StrRef WindowColourOf(StrRef colours) { return FormUnquote(Blank(Field(Entry(colours, 1), ';', 2))); }

namespace {

class Reader {
public:
    explicit Reader(Form& form) : f_(form) {}
    ErrCode Read(StrRef title, StrRef definition);

private:
    ErrCode ReadTitle(StrRef title);
    ErrCode ReadField(FormField& field, StrRef text);
    ErrCode ReadLabel(FormField& field, StrRef raw, StrRef* bareName);
    ErrCode ReadOptions();
    StrRef Keep(StrRef s) {
        const StrRef kept = f_.Keep(s);
        if (!kept.ok() && !err_) err_ = StrError(kept);
        return kept.ok() ? kept : StrEmpty();
    }

    Form& f_;
    char partSep_ = ':';
    ErrCode err_ = 0;
};

ErrCode Reader::Read(StrRef title, StrRef definition) {
    const uint16_t slash = FindStr(definition, StrFromLiteral(" /"), false);
    const StrRef list = slash == kNpos ? definition : StrMake(definition.ptr, slash);
    const StrRef options = slash == kNpos ? StrMake(definition.ptr, 0) : SubStr(definition, slash + 2, kNpos);
    const char titleSep = title.len && std::memchr(title.ptr, '\0', title.len) ? '\0' : ',';
    const uint16_t titleParts = FieldCount(title, titleSep);
    const uint16_t fields = FieldCount(list, ',');
    if (fields > kMaxFormFields) return Refuse(StrFromLiteral("too many fields"));
    if (titleParts > kMaxFormLines + 1) return Refuse(StrFromLiteral("too many title lines"));
    const StrRef colours = RunParam(kParamDefaultColours);
    const uint32_t bytes = 2u * title.len + 8u * definition.len + 4u * colours.len + 24u * fields + 64u;
    if (ErrCode err = f_.Reserve(fields, titleParts > 1 ? titleParts - 1 : 0, bytes)) return err;

    // Older definitions separate parts with ';'; a ':' or ';' inside quotes never decides it.
    partSep_ = FindChar(list, 0, ':', false) == kNpos && FieldCount(list, ';') > 1 ? ';' : ':';
    if (ErrCode err = ReadTitle(title)) return err;
    f_.options = Keep(options);
    const StrRef keptList = Keep(list);
    uint16_t choiceFields = 0;
    for (uint16_t n = 1; n <= fields; ++n) {
        FormField& field = f_.fields[n - 1];
        field.number = n;
        if (ErrCode err = ReadField(field, Field(keptList, ',', n))) return err;
        if (field.type == 'S' && ++choiceFields > kMaxChoiceLists)
            return Refuse(StrFromLiteral("too many choice fields"));
    }
    if (ErrCode err = ReadOptions()) return err;
    return err_;
}

ErrCode Reader::ReadTitle(StrRef title) {
    const StrRef kept = Keep(title);
    const char sep = kept.len && std::memchr(kept.ptr, '\0', kept.len) ? '\0' : ',';
    f_.title = Keep(FormUnquote(Field(kept, sep, 1)));
    StrRef* lines = const_cast<StrRef*>(f_.lines);
    for (uint16_t k = 1; k <= f_.lineCount; ++k) lines[k - 1] = Keep(FormUnquote(Field(kept, sep, k + 1)));
    return err_;
}

ErrCode Reader::ReadLabel(FormField& field, StrRef raw, StrRef* bareName) {
    const bool bare = raw.len == 0 || !IsQuote(raw.at(0));
    StrRef label = bare ? raw : FormUnquote(raw);
    if (label.len && label.at(0) == '{') {
        const void* close = std::memchr(label.ptr, '}', label.len);
        if (!close) return Refuse(field.text);
        const uint16_t end = static_cast<uint16_t>(static_cast<const char*>(close) - label.ptr);
        const StrRef group = StrMake(label.ptr + 1, static_cast<uint16_t>(end - 1));
        if (FieldCount(group, ',') > 2 || !ReadRequest(Field(group, ',', 1), &field.rowRequest) ||
            !ReadRequest(Field(group, ',', 2), &field.colRequest))
            return Refuse(field.text);
        label = SubStr(label, end + 1, kNpos);
    }
    field.label = Keep(label);
    *bareName = bare && IsPlainVariableName(Blank(label)) ? Blank(field.label) : StrEmpty();
    return err_;
}

ErrCode Reader::ReadField(FormField& field, StrRef text) {
    field.text = text;
    if (text.len == 0) return Refuse(text);
    // "/ROW" and "/COL" end the field; the parts are read from what stands before them.
    const uint16_t row = FindStr(text, StrFromLiteral("/ROW"), false);
    const uint16_t col = FindStr(text, StrFromLiteral("/COL"), false);
    if ((row != kNpos && !ReadFixed(text, row, &field.fixedRow)) ||
        (col != kNpos && !ReadFixed(text, col, &field.fixedCol)))
        return Refuse(text);
    const StrRef head = StrMake(text.ptr, row < col ? row : (col == kNpos ? text.len : col));
    if (FieldCount(head, partSep_) > 5) return Refuse(text);
    const auto part = [&](uint16_t k) { return Field(head, partSep_, k); };

    StrRef bareName;
    if (ErrCode err = ReadLabel(field, part(1), &bareName)) return err;

    const StrRef type = FormUnquote(Blank(part(2)));
    if (type.len) {
        const unsigned char letter = type.at(0);
        const bool known = (letter >= 'A' && letter <= 'Z') || (letter >= '1' && letter <= '9');
        uint16_t width = 0;
        if (!known || (type.len > 1 && !ReadCount(SubStr(type, 1, kNpos), &width))) return Refuse(text);
        field.type = static_cast<char>(letter);
        field.width = width;
    }

    const StrRef target = Blank(FormUnquote(Blank(part(3))));
    if (IsPlainVariableName(target)) {
        field.target = Keep(target);
    } else if (IsArrayElementName(target)) {
        field.store = Keep(target);
    } else if (target.len) {
        return Refuse(text);
    } else {
        field.target = bareName;
    }

    const StrRef initial = part(4);
    field.initialGiven = initial.len > 0;
    field.initial = Keep(FormUnquote(initial));

    const StrRef store = Blank(FormUnquote(Blank(part(5))));
    if (store.len) {
        if (!IsPlainVariableName(store) && !IsArrayElementName(store)) return Refuse(text);
        field.store = Keep(store);
    }
    return err_;
}

ErrCode Reader::ReadOptions() {
    bool found = false;
    const StrRef given = Keep(OptionIn(f_.options, "FD$", &found));
    const StrRef buttons = Keep(OptionIn(f_.options, "FLDBUTTONS$", &found));
    const StrRef menus = Keep(OptionIn(f_.options, "MENU$", &found));
    StrRef colours = Keep(OptionIn(f_.options, "SCRCOLORS$", &found));
    if (!found) colours = Keep(RunParam(kParamDefaultColours));
    f_.windowColour = Keep(WindowColourOf(colours));

    uint32_t listLen = 0;
    for (uint16_t n = 1; n <= f_.fieldCount; ++n) {
        FormField& field = f_.fields[n - 1];
        const StrRef named = Blank(Entry(given, n));
        if (named.len && !IsPlainVariableName(named)) return Refuse(Field(given, ',', n));
        if (field.target.len) {
            field.variable = field.target;
        } else if (named.len) {
            field.variable = Keep(named);
        } else {
            const uint16_t mark = PoolMark();
            field.variable = Keep(Format(16, IsStringFieldType(field.type) ? "_SCRF%u$" : "_SCRF%u#", unsigned{n}));
            PoolRelease(mark);
        }
        listLen += field.variable.len + (n > 1 ? 1u : 0u);

        const StrRef button = Blank(Entry(buttons, n));
        if (SameText(button, "FILE", true)) field.button = FieldButton::File;
        if (SameText(button, "PATH", true)) field.button = FieldButton::Path;
        if (SameText(button, "COLOR", true)) field.button = FieldButton::Colour;
        if (SameText(button, "FONT", true)) field.button = FieldButton::Font;
        field.choices = Keep(Entry(menus, n));
        const StrRef pair = Entry(colours, n);
        field.textColour = Keep(FormUnquote(Blank(Field(pair, ';', 1))));
        field.backColour = Keep(FormUnquote(Blank(Field(pair, ';', 2))));
        if (err_) return err_;
    }

    // FD$="<bound variables>": in front of the option text, so that the first FD$ is the whole one.
    const uint64_t total = 7u + uint64_t{listLen} + f_.options.len;
    if (total > kMaxText) return Fail(true, kModScreens, kErrStringTooLong, 0);
    const uint16_t mark = PoolMark();
    StrRef text;
    char* w = NewText(total, &text);
    if (!w) return StrError(text);
    Put(w, StrFromLiteral("FD$=\""));
    for (uint16_t n = 1; n <= f_.fieldCount; ++n) {
        if (n > 1) *w++ = ',';
        Put(w, f_.fields[n - 1].variable);
    }
    Put(w, StrFromLiteral("\":"));
    Put(w, f_.options);
    f_.optionText = Keep(text);
    PoolRelease(mark);
    return err_;
}

}  // namespace

bool IsStringFieldType(char type) { return type && std::strchr("ABCDFPS", type) != nullptr; }

bool IsPlainVariableName(StrRef name) {
    if (!name.ok() || name.len == 0 || name.len > 64 || !IsNameStart(name.at(0))) return false;
    for (uint16_t i = 1; i < name.len; ++i)
        if (!IsNameChar(name.at(i))) return false;
    return true;
}

bool IsArrayElementName(StrRef name) {
    if (!name.ok() || name.len < 3 || name.at(static_cast<uint16_t>(name.len - 1)) != ')') return false;
    const void* open = std::memchr(name.ptr, '(', name.len);
    if (!open) return false;
    const uint16_t at = static_cast<uint16_t>(static_cast<const char*>(open) - name.ptr);
    if (!IsPlainVariableName(StrMake(name.ptr, at))) return false;
    // Subscripts are expressions of names, numbers and operators: no quotes, and the parentheses
    // close exactly at the end.
    int depth = 0;
    for (uint16_t i = at; i < name.len; ++i) {
        const unsigned char c = name.at(i);
        if (IsQuote(c) || c < ' ') return false;
        if (c == '(') ++depth;
        if (c == ')' && --depth == 0 && i + 1 != name.len) return false;
    }
    return depth == 0;
}

Form::~Form() { Clear(); }

void Form::Clear() {
    if (block_) BlockFree(kTagForm, block_);
    block_ = nullptr;
    text_ = nullptr;
    textUsed_ = textSize_ = 0;
    title = options = optionText = windowColour = StrEmpty();
    lineCount = fieldCount = 0;
    lines = nullptr;
    fields = nullptr;
    grid = FormGrid{};
    okRow = okCol = 0;
}

ErrCode Form::Reserve(uint16_t fieldCount_, uint16_t lineCount_, uint32_t bytes) {
    Clear();
    const uint32_t fieldBytes = uint32_t{fieldCount_} * sizeof(FormField);
    const uint32_t lineBytes = uint32_t{lineCount_} * sizeof(StrRef);
    auto* block = static_cast<char*>(BlockAllocPtr(kTagForm, fieldBytes + lineBytes + bytes + 8));
    if (!block) return Fail(true, kModScreens, kErrOutOfMemory, 0);
    block_ = block;
    fields = reinterpret_cast<FormField*>(block);
    for (uint16_t i = 0; i < fieldCount_; ++i) new (&fields[i]) FormField();
    auto* lineArray = reinterpret_cast<StrRef*>(block + fieldBytes);
    for (uint16_t i = 0; i < lineCount_; ++i) new (&lineArray[i]) StrRef(StrEmpty());
    lines = lineArray;
    fieldCount = fieldCount_;
    lineCount = lineCount_;
    text_ = block + fieldBytes + lineBytes;
    textSize_ = bytes;
    return 0;
}

StrRef Form::Keep(StrRef s) {
    if (!s.ok()) return s;
    if (s.len == 0) return StrEmpty();
    // A view into the block is kept as it is.
    if (text_ && s.ptr >= text_ && s.ptr + s.len <= text_ + textUsed_) return s;
    if (!text_ || textSize_ - textUsed_ < s.len) return StrErr(kErrOutOfMemory);
    char* at = text_ + textUsed_;
    std::memcpy(at, s.ptr, s.len);
    textUsed_ += s.len;
    return StrMake(at, s.len);
}

ErrCode FormRead(Form& form, StrRef title, StrRef definition) {
    form.Clear();
    if (ErrCode err = StrError(title)) return err;
    if (ErrCode err = StrError(definition)) return err;
    const uint16_t mark = PoolMark();
    const ErrCode err = Reader(form).Read(title, definition);
    PoolRelease(mark);
    if (err) form.Clear();
    return err;
}

ErrCode AcceptWinSelect(Form& form, StrRef title, StrRef definition, uint16_t flags) {
    (void)flags;
    if (ErrCode err = FormRead(form, title, definition)) return err;
    return SetRunParam(kParamFormOptions, form.optionText);
}

StrRef FormOption(const Form& form, const char* name) {
    bool found = false;
    return OptionIn(form.optionText.len ? form.optionText : form.options, name, &found);
}

StrRef FormOptionEntry(const Form& form, const char* name, uint16_t n) {
    return Entry(FormOption(form, name), n);
}

uint16_t FieldChoiceCount(const FormField& field) { return FieldCount(field.choices, ','); }

StrRef FieldChoice(const FormField& field, uint16_t k) { return FormUnquote(Field(field.choices, ',', k)); }

}  // namespace rt
