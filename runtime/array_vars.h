// Array variables: up to four dimensions of integers, numbers or fixed-width strings.
//
// An array's name ends in '(' ("M(", "A$("); its element type is the type of the name without it.
// The descriptor (ArrayVarDesc, typed_arrays.h) is element <number> of typed array 6; the
// elements lie row-major (last subscript fastest) in a block of tag 12. Values cross this
// interface as in the variable store: numbers as 8-byte slots, strings as text.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/scaled_number.h"

namespace rt {

inline constexpr uint16_t kMaxArrayDims = 4;
// Largest element data block of one array; a bigger one is refused with kErrOutOfMemory.
inline constexpr uint32_t kMaxArrayData = 16u * 1024 * 1024;

// (Re)dimensions array `name` with element type 2, 3 or 6 and upper bounds bounds[0..n-1].
// Dimension k has bounds[k] + 1 elements. String elements are as wide as initText, and every
// element starts as initText (0 for integers and numbers). Errors: kErrDimStruct for n > 4, a
// negative bound or more than 65535 elements; kErrTypeMismatch for another element type; kErrSyntax
// for a total of 1 element or a width of 0, or a name that is not an array name; kErrVarName when
// the name cannot be stored; kErrOutOfMemory when memory runs out. A failure leaves an existing
// array as it was.
ErrCode ArrayDim(StrRef name, uint16_t elemType, const int32_t* bounds, uint16_t n, StrRef initText);

// Reads element subs[0..n-1]; on success the value is the newest pool entry. An array that does
// not exist is first created with the subscripts as upper bounds (strings then need initText:
// empty gives kErrSyntax). kErrDataOutBound (recorded) when the flat position lies outside the
// array; kErrDimStruct for more than four subscripts; kErrInternal when the array created on
// reference still cannot be found.
ErrCode ArrayElement(StrRef name, const int32_t* subs, uint16_t n, StrRef initText = StrEmpty());

// Writes value into element subs[0..n-1]: integers keep value / S, numbers the 8 bytes, strings
// their text cut to the element width and padded with blanks. kErrDimStruct when the array does not
// exist; kErrDataOutBound outside it. Leaves the pool as it found it.
ErrCode ArrayAssign(StrRef name, const int32_t* subs, uint16_t n, StrRef value);

// Writes value into the flat elements from `from` up to, not including, `to` (bounded by the
// element count). kErrDimStruct when the array does not exist.
ErrCode ArrayFill(StrRef name, int32_t from, int32_t to, StrRef value);

// Element type and dimensions of an existing array; false when it does not exist.
bool ArrayInfo(StrRef name, ArrayVarDesc* desc);

// Frees the element data of every array; part of the shut-down.
ErrCode ArraysRelease();

}  // namespace rt
