// The variable store: named integer, number, string and array variables of the run-time language.
//
// A name's type follows from its characters. Names live per type as comma lists in string-store
// group 12; a variable's number is its position in its list. Values cross this interface as the
// evaluator's typed values: a number as an 8-byte slot in the pool (runtime/scaled_number.h), a
// string as its text. Integer variables hold 16 bits and are scaled by S = 10^_PRECIS on the way.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/scaled_number.h"

namespace rt {

// Type codes of names.
inline constexpr uint16_t kVarNone = 0;     // holds '@': not a variable
inline constexpr uint16_t kVarInteger = 2;  // none of the marks: signed 16-bit
inline constexpr uint16_t kVarString = 3;   // holds '$'
inline constexpr uint16_t kVarNumber = 6;   // holds '#': ScaledNumber
inline constexpr uint16_t kVarArray = 16;   // holds '('

// Items of group 12: the name list of each type.
inline constexpr uint16_t kNamesInteger = 0;  // integers (and type-0 names)
inline constexpr uint16_t kNamesNumber = 1;
inline constexpr uint16_t kNamesString = 2;
inline constexpr uint16_t kNamesArray = 3;

// Type of a name, tested in the order '@', '(', '$', '#' anywhere in it; 2 when none occurs.
// An error value is type 0.
uint16_t VarType(StrRef name);
// VarType of the name without its last character: the element type of an array name ("A$(" -> 3).
uint16_t ElementType(StrRef name);

struct VarRef {
    uint16_t type;
    int32_t number;  // -1 when the name is not stored
};
// Type and number of a name. Names compare exactly (case counts).
VarRef VarFind(StrRef name);
// Appends the name to its list (when it is not there yet) and returns its number; -1 when the
// list cannot be stored or the name cannot be held by a comma list (empty, holding ',' or a quote).
// A new string variable gets an empty item of group 13; -1 when that group has fewer items than
// there are string names, as its value could not be stored.
int32_t VarCreate(StrRef name);

// Read-only string constants: ".tab$" and the other names of "lf$,lx$,tab$,...". True and the
// value in *value (static text) when name is one of them.
bool StringConstant(StrRef name, StrRef* value);

// The result slot from a text by target type: 2 integer (decimal digits, then scaled), 3 string
// (as is), 6 number (number text); kErrSyntax for any other type. On success the slot is the newest
// pool entry. An error value as text returns its code.
ErrCode AssignTyped(uint16_t type, StrRef text);

// Reads a variable; on success its value is the newest pool entry (8-byte slot for integers and
// numbers). An absent integer or number reads 0 and an absent string reads empty; none is created.
// kErrSyntax for type-0 and array names. Names starting with '_' are first offered to host hook 0.
ErrCode VarGet(StrRef name);
// Assigns value (an 8-byte slot for integer and number names, text for strings), creating the
// variable on first assignment. Integers keep value / S truncated to 16 bits. Leaves the pool as
// it found it. kErrSyntax for type-0 names, array names and string constants; kErrVarName when the
// variable cannot be created; kErrDataOutBound when _PRECIS would leave 0..4. An error value given
// as value is returned. A failed assignment leaves the old value. Errors are recorded with module 4.
ErrCode VarSet(StrRef name, StrRef value);
// The value as text, a pool entry: strings as they are, integers and numbers as canonical number
// text. The error value on failure.
StrRef VarGetText(StrRef name);

// Typed conveniences over VarGet/VarSet that leave nothing in the pool.
ErrCode VarGetNumber(StrRef name, ScaledNumber* out);
ErrCode VarSetNumber(StrRef name, ScaledNumber v);
ErrCode VarSetText(StrRef name, StrRef text);

// Host hook 0 (names the store does not know): asked with (name, 1, empty) to read and with
// (name, 5, value) to assign. A text result is the value read (converted by the name's type) or
// the sign that the assignment was done; the error value kErrBadInput means "not
// handled".
using VarHookFn = StrRef (*)(StrRef name, int request, StrRef value);
inline constexpr int kVarHookRead = 1;
inline constexpr int kVarHookAssign = 5;

// The string variable "_V<n>$" of a screen field, read as a letter and a number.
struct ScreenField {
    char letter;
    int16_t number;
    ErrCode code;  // 0, or kErrScreenFieldVar when the variable is missing or empty (also for n above 99)
};
ScreenField ScreenFieldVar(uint16_t n);

}  // namespace rt
