// How a user's value travels inside form definitions, option texts and form results unchanged.
//
// A quoted value is one or more quoted pieces joined by '+': 'abc', "it's", or 'say '+"'"+'hi" x'
// for a value holding both quote characters. Every separator of the form texts (',' between
// fields, ':' between parts and options, ';', " /", "/ROW", braces) is searched outside quotes,
// so no character of a quoted value can split a field, add one or change an option. The same
// text is a valid string expression for the evaluator ('a'+"'"+'b' concatenates), so the
// assignments of a form result carry values the same way.
#pragma once

#include <cstdint>

#include "runtime/strref.h"

namespace rt {

// The value in quotes: single quotes when it holds none, else double quotes when it holds none
// of those, else single-quoted runs joined by '+' with each run of single quotes in double
// quotes. 163 for a value holding a NUL (no control can show it and it splits a title); 146
// (recorded) when the result passes kMaxText. A pool text.
StrRef FormQuote(StrRef value);

// The value of a quoted text: the pieces of a '+'-joined sequence of quoted pieces (as FormQuote
// writes them) put together; otherwise, when the text starts and ends with the same quote
// character, the text between them; otherwise the text itself. A piece of the input when one
// piece suffices, else a pool text.
StrRef FormUnquote(StrRef text);

// True when text is one or more quoted pieces joined by '+' and nothing else.
bool IsFormQuoted(StrRef text);

// value as written into a list whose reader splits it at the separators outside quotes, trims
// the piece and FormUnquotes it (FormValueAt): FormQuote of it when it holds one of separators or
// a quote, or begins or ends with a blank, any of which the reader would take away; otherwise
// value itself. The errors of FormQuote.
StrRef FormQuoteIfNeeded(StrRef value, StrRef separators);

// Field n (1-based) of a ','-joined list of such values (a form result's values), trimmed and
// FormUnquoted: a piece of the input or a pool text.
StrRef FormValueAt(StrRef values, uint16_t n);

// text with every "[$k]" marker (k = 1..999) replaced by FormQuote(values[k - 1]) (an empty
// value past count), in one pass: a value is never searched for markers again. A marker that
// fills a quoted part on its own ('[$1]') takes that part's quotes; a marker inside a longer
// quoted text closes the quote around the inserted value ('a [$1] b' gives 'a '+'v'+' b').
// "[$]" is marker 1. Errors of FormQuote are returned. A pool text.
StrRef FormFill(StrRef text, const StrRef* values, uint16_t count);

}  // namespace rt
