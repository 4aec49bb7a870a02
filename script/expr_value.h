// ExprValue: a value of the run-time language while an expression is being evaluated.
#pragma once

#include "runtime/strref.h"
#include "runtime/scaled_number.h"

namespace rt {

// Exactly two types: text and number. A text value lies in the pool (or in static or input text);
// numbers are carried as integers and only put into the pool as 8-byte slots at the interfaces.
struct ExprValue {
    bool isString = false;
    ScaledNumber number = 0;
    StrRef text = StrEmpty();

    static ExprValue Number(ScaledNumber v) { ExprValue e; e.number = v; return e; }
    static ExprValue Text(StrRef s) { ExprValue e; e.isString = true; e.text = s; return e; }
};

}  // namespace rt
