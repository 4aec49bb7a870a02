// Typed arrays of a context: numbered arrays of fixed-size elements, and the integer and number cells.
#pragma once

#include <cstdint>

#include "runtime/errcode.h"

namespace rt {

inline constexpr uint16_t kArrayVarDescs = 6;  // array-variable descriptors
inline constexpr uint16_t kArrayInts = 7;      // integer variables, 2-byte cells
inline constexpr uint16_t kArrayNumbers = 8;   // number variables, 8-byte cells

// Creates the descriptor table with `count` empty descriptors; kErrStructMem when it cannot.
ErrCode ArraysInit(uint16_t count);
// Pointer to element i of array a, or null (no array, index >= count).
void* ArrayGet(uint16_t a, uint16_t i);
// Copies `size` bytes into element i of array a, creating the array on first use and growing it
// to exactly i+1 elements when needed. Null when `size` differs from the array's element size,
// when memory runs out, or when a lies beyond the descriptor table.
void* ArraySet(uint16_t a, uint16_t i, const void* src, uint16_t size);
// Removes element i; kErrStructMem when i >= count or the array does not exist.
ErrCode ArrayDelete(uint16_t a, uint16_t i);
uint16_t ArrayCount(uint16_t a);
uint16_t ArrayElementSize(uint16_t a);
// Frees every array and the descriptor table.
ErrCode ArrayFreeAll();

int16_t IntGet(uint16_t i);
ErrCode IntSet(uint16_t i, int16_t v);
int64_t FloatGet(uint16_t i);
ErrCode FloatSet(uint16_t i, int64_t v);
// (IntGet(i) & mask) != 0.
bool FlagTest(uint16_t i, uint16_t mask);
// Sets or clears the bits of mask in integer i; returns whether any of them is now set.
bool FlagSet(uint16_t i, uint16_t mask, bool on);

// An array variable's descriptor, one element of typed array 6. The data block has tag 12.
struct ArrayVarDesc {
    uint16_t elemType;   // 2 integer, 3 string, 6 number
    uint16_t elemSize;
    uint16_t total;
    uint16_t dims[4];    // size of each dimension (upper bound + 1)
    void* data;
    uint32_t dataSize;
};
inline constexpr uint16_t kArrayVarDescSize = 44;
static_assert(sizeof(ArrayVarDesc) <= kArrayVarDescSize);

// Frees the data of every array variable (array 6); part of the shut-down.
ErrCode ArrayVarsRelease();

}  // namespace rt
