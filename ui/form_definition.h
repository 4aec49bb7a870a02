// A form read from its title and definition texts: field records and options (AcceptWinSelect),
// ready for the layout and the window layer.
//
// Definition text: fields separated by ',', optionally followed by " /" and the option text. Each
// field has up to five parts separated by ':' (or ';' in older definitions without any ':'):
// label, type and width, target variable, initial value, store variable; it may end with "/ROW"
// or "/COL", a separator character and a number. Every separator is searched outside quotes, and
// quoted parts are read with FormUnquote, so values written with FormQuote come back unchanged.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

inline constexpr uint16_t kMaxFormFields = 200;
inline constexpr uint16_t kMaxFormLines = 50;    // fixed text lines of a title
inline constexpr uint16_t kMaxChoiceLists = 80;  // choice ('S') fields of one form
inline constexpr uint16_t kMaxFieldWidth = 999;
inline constexpr uint16_t kMaxGridPosition = 999;

// Run-time parameter slots of the form layer.
inline constexpr uint16_t kParamScanner = 30;      // the last scanner sequence
inline constexpr uint16_t kParamFormOptions = 31;  // the current form's completed option text
inline constexpr uint16_t kParamDefaultColours = 16;
// The window's background in a colour list of the SCRCOLORS$ layout (the run-time's default
// colour setting has it too): the background of entry 1, unquoted; empty when it has none.
StrRef WindowColourOf(StrRef colours);

// Flags of run form.
inline constexpr uint16_t kFormKeepMargins = 0x0001;
inline constexpr uint16_t kFormAltPlacement = 0x0020;
inline constexpr uint16_t kFormScreenSize = 0x0040;
inline constexpr uint16_t kFormLineLayout = 0x0080;
inline constexpr uint16_t kFormRightEdge = 0x0100;
inline constexpr uint16_t kFormKeepGeometry = 0x2000;
inline constexpr uint16_t kFormCollectAlways = 0x4000;
inline constexpr uint16_t kFormMantWindow = 0x8000;

// The chooser a field's "..." button opens (option FLDBUTTONS$).
enum class FieldButton : uint8_t { None = 0, File = 1, Path = 2, Colour = 3, Font = 4 };

// The control a field gets; decided by the layout from the type letter.
enum class FieldControl : uint8_t {
    None,         // 'Q': label only
    Edit,         // "EDIT"
    Password,     // "EDIT" with ES_PASSWORD
    EditRight,    // "EDIT", right-aligned: 'N', 'O', '1'..'9', and 'L' as text
    CheckButton,  // "BUTTON" 4 cells wide: 'L' while bit 16 of _AUXSTAT is set
    Combo,        // drop-down "COMBOBOX" 5 lines high filled from the field's choices
    RichText,     // "RICHEDIT50W", read-only
};

// One component of a label's position in braces: keep the default, add to it, or replace it.
struct GridRequest {
    enum Kind : uint8_t { Keep, Add, Absolute } kind = Keep;
    int16_t value = 0;
};

// One field. Texts are views into the form's own block and live as long as the Form.
struct FormField {
    uint16_t number = 0;   // 1-based
    char type = 'Q';       // type letter as written
    uint16_t width = 0;    // input width in characters (EM_LIMITTEXT)
    StrRef text = StrEmpty();           // the field's definition text, for reports
    StrRef label = StrEmpty();          // the label as shown (after the position in braces)
    StrRef target = StrEmpty();         // variable named in the assignments (part 3 or a bare-name label)
    StrRef initial = StrEmpty();        // part 4, unquoted
    bool initialGiven = false;  // part 4 was written (a quoted '' counts): no previous value
    StrRef store = StrEmpty();          // part 5, or a part-3 array element: stored at acceptance
    StrRef variable = StrEmpty();       // the bound variable: the completed FD$ entry
    StrRef choices = StrEmpty();        // MENU$ entry: the comma list of choices (quotes protect commas)
    StrRef textColour = StrEmpty();     // SCRCOLORS$ (or parameter 16) entry, colour name or number
    StrRef backColour = StrEmpty();
    FieldButton button = FieldButton::None;
    GridRequest rowRequest, colRequest;  // position in braces
    uint16_t fixedRow = 0, fixedCol = 0; // "/ROW", "/COL"; 0 when absent

    // Filled by FormLayout (form_layout.h).
    FieldControl control = FieldControl::None;
    uint16_t row = 0, col = 0;            // the input's grid position (1-based)
    uint16_t cells = 0;                   // columns the input takes
    uint16_t labelRow = 0, labelCol = 0;  // where the label starts
};

// Control ids inside a form window.
inline constexpr uint16_t kFormOkId = 3100;
inline constexpr uint16_t FieldInputId(uint16_t n) { return static_cast<uint16_t>(2000 + n - 1); }
inline constexpr uint16_t FieldButtonId(uint16_t n) { return static_cast<uint16_t>(3799 + n); }
// Field number of an input id; 0 for any other id.
inline constexpr uint16_t FieldOfInputId(uint16_t id) {
    return id >= 2000 && id < 2000 + kMaxFormFields ? static_cast<uint16_t>(id - 1999) : 0;
}
// Field number of a "..." button id; 0 for any other id.
inline constexpr uint16_t FieldOfButtonId(uint16_t id) {
    return id >= 3800 && id < 3800 + kMaxFormFields ? static_cast<uint16_t>(id - 3799) : 0;
}

// The character grid of a form: columns and rows of the fields, four margins in cells (first
// horizontal, first vertical, second horizontal, second vertical) and the line-spacing
// percentage. The window layer keeps the same values as its screen geometry.
struct FormGrid {
    uint16_t columns = 0, rows = 0;
    uint16_t margins[4] = {0, 0, 0, 0};
    uint16_t spacing = 0;
};

// A form read from its texts. It owns one tracked block holding its field records and copies
// of every text it keeps, so its views stay valid until it is destroyed or read again.
class Form {
public:
    Form() = default;
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    StrRef title = StrEmpty(); // part 1 of the title text
    uint16_t lineCount = 0;    // fixed lines: the title's pieces after the first, lines[k - 1] on row k
    const StrRef* lines = nullptr;
    uint16_t fieldCount = 0;
    FormField* fields = nullptr;
    StrRef options = StrEmpty();       // the option text as written (after " /")
    StrRef optionText = StrEmpty();    // FD$="<bound variables>": followed by the option text
    StrRef windowColour = StrEmpty();  // background colour of SCRCOLORS$ entry 1
    FormGrid grid;             // filled by FormLayout
    uint16_t okRow = 0, okCol = 0;  // the "Ok" button, filled by FormLayout

    // Frees the block and empties the form.
    void Clear();
    // Room for `fields` records, `lines` title lines and `bytes` of text; 145 when it fails.
    ErrCode Reserve(uint16_t fieldCount, uint16_t lineCount, uint32_t bytes);
    // A copy of s in the form's block (an empty s needs no room); 145 when the block is full.
    StrRef Keep(StrRef s);

private:
    void* block_ = nullptr;
    char* text_ = nullptr;
    uint32_t textUsed_ = 0, textSize_ = 0;
};

// Reads the title text and the definition into form (the first stage of run form). Title parts
// are separated by ',' (by NUL when the title holds one) and read with FormUnquote. Unknown parts
// of a definition are refused rather than guessed:
// 163 (recorded, the field's text as detail) for a field with more than five parts, an empty
// field, a type that is not a letter or digit with a width of 0..999, a position in braces or
// after "/ROW" or "/COL" that is not a number, a target or store that is not a variable name or
// array element, an FD$ entry that is not a variable name, more than kMaxFormFields fields,
// kMaxFormLines lines or kMaxChoiceLists choice fields; 146 when the completed option text
// passes kMaxText; 145 when memory runs out. On failure the form is empty.
ErrCode FormRead(Form& form, StrRef title, StrRef definition);

// FormRead, then the completed option text stored in run-time parameter 31 for the life of the
// form. flags are those of run form (read by the layout, not here).
ErrCode AcceptWinSelect(Form& form, StrRef title, StrRef definition, uint16_t flags);

// The value of option `name` (as "NAME=value" in the option text, the first one when repeated),
// unquoted; empty when absent. A view into the form's block or a pool text.
StrRef FormOption(const Form& form, const char* name);
// Entry n (1-based) of the comma list of option `name`, unquoted; empty when absent.
StrRef FormOptionEntry(const Form& form, const char* name, uint16_t n);

// Number of choices of a field, and choice k (1-based, unquoted; a view or a pool text).
uint16_t FieldChoiceCount(const FormField& field);
StrRef FieldChoice(const FormField& field, uint16_t k);

// True for the string types A, B, C, D, F, P and S (default variable "_SCRF<n>$", else "#").
bool IsStringFieldType(char type);
// True when name can be assigned as it stands in an expression: a letter or '_' first, then
// letters, digits, '_', '$' and '#'; at most 64 characters. ('%' is an operator of the language.)
bool IsPlainVariableName(StrRef name);
// True for a plain name followed by '(', subscripts and ')' (an array element).
bool IsArrayElementName(StrRef name);

}  // namespace rt
