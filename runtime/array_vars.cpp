// Array variables: dimensioning, element addressing, reads, writes and fills.
#include "runtime/array_vars.h"

#include <cstring>

#include "runtime/block_table.h"
#include "runtime/context.h"
#include "runtime/error_record.h"
#include "runtime/temp_pool.h"
#include "runtime/typed_arrays.h"
#include "runtime/variables.h"

namespace rt {

namespace {

bool LoadDesc(int32_t number, ArrayVarDesc* desc) {
    if (number < 0 || number >= 0xFFFF) return false;
    if (ArrayElementSize(kArrayVarDescs) != kArrayVarDescSize) return false;
    void* p = ArrayGet(kArrayVarDescs, static_cast<uint16_t>(number));
    if (!p) return false;
    std::memcpy(desc, p, sizeof *desc);
    return desc->data != nullptr;
}

bool StoreDesc(int32_t number, const ArrayVarDesc& desc) {
    unsigned char element[kArrayVarDescSize] = {};
    std::memcpy(element, &desc, sizeof desc);
    return ArraySet(kArrayVarDescs, static_cast<uint16_t>(number), element, kArrayVarDescSize) != nullptr;
}

bool FindArray(StrRef name, ArrayVarDesc* desc) {
    if (VarType(name) != kVarArray) return false;
    return LoadDesc(VarFind(name).number, desc);
}

// Flat position of the subscripts; only the total is checked, not each subscript.
ErrCode FlatIndex(const ArrayVarDesc& desc, const int32_t* subs, uint16_t n, uint32_t* flat) {
    if (n > kMaxArrayDims) return Fail(true, kModVarStruct, kErrDimStruct, 0);
    int64_t pos = 0;
    for (uint16_t k = 0; k < n; ++k) {
        // Every factor is a product of dimension sizes, so at most the element count (16 bits);
        // the sum of four 32-bit subscripts times it cannot overflow 64 bits.
        int64_t after = 1;
        for (uint16_t j = static_cast<uint16_t>(k + 1); j < kMaxArrayDims; ++j) after *= desc.dims[j] ? desc.dims[j] : 1;
        pos += static_cast<int64_t>(subs[k]) * after;
    }
    if (pos < 0 || pos >= desc.total) return Fail(true, kModVarStruct, kErrDataOutBound, 0);
    *flat = static_cast<uint32_t>(pos);
    return 0;
}

void WriteElement(const ArrayVarDesc& desc, uint32_t flat, StrRef value) {
    char* element = static_cast<char*>(desc.data) + static_cast<size_t>(flat) * desc.elemSize;
    switch (desc.elemType) {
        case kVarInteger: {
            int16_t v = static_cast<int16_t>(SlotToNumber(value) / ScaleFactor());
            std::memcpy(element, &v, sizeof v);
            break;
        }
        case kVarNumber: {
            ScaledNumber v = SlotToNumber(value);
            std::memcpy(element, &v, sizeof v);
            break;
        }
        default: {
            // The width was fixed when the array was dimensioned: cut to it, pad the rest.
            uint16_t n = value.len < desc.elemSize ? value.len : desc.elemSize;
            if (n) std::memcpy(element, value.ptr, n);
            if (n < desc.elemSize) std::memset(element + n, ' ', desc.elemSize - n);
            break;
        }
    }
}

}  // namespace

ErrCode ArrayDim(StrRef name, uint16_t elemType, const int32_t* bounds, uint16_t n, StrRef initText) {
    if (VarType(name) != kVarArray) return Fail(true, kModVarStruct, kErrSyntax, 0);
    if (n > kMaxArrayDims) return Fail(true, kModVarStruct, kErrDimStruct, 0);
    uint16_t size = 0;
    switch (elemType) {
        case kVarInteger: size = 2; break;
        case kVarNumber: size = 8; break;
        case kVarString:
            if (!initText.ok()) return StrError(initText);
            size = initText.len;
            break;
        default: return Fail(true, kModVarStruct, kErrTypeMismatch, 0);
    }
    ArrayVarDesc desc{};
    desc.elemType = elemType;
    desc.elemSize = size;
    uint32_t total = 1;
    for (uint16_t k = 0; k < n; ++k) {
        // Sizes and the count are 16-bit fields of the descriptor.
        if (bounds[k] < 0 || bounds[k] >= 0xFFFF) return Fail(true, kModVarStruct, kErrDimStruct, 0);
        desc.dims[k] = static_cast<uint16_t>(bounds[k] + 1);
        total *= desc.dims[k];
        if (total > 0xFFFF) return Fail(true, kModVarStruct, kErrDimStruct, 0);
    }
    if (total == 1 || size == 0) return Fail(true, kModVarStruct, kErrSyntax, 0);
    desc.total = static_cast<uint16_t>(total);
    uint64_t bytes = static_cast<uint64_t>(total) * size;
    if (bytes > kMaxArrayData) return Fail(true, kModVarStruct, kErrOutOfMemory, 0);

    int32_t number = VarCreate(name);
    if (number < 0) return Fail(true, kModVarStruct, kErrVarName, 0);
    desc.data = BlockAllocPtr(kTagArrayVarData, static_cast<uint32_t>(bytes));
    if (!desc.data) return Fail(true, kModVarStruct, kErrOutOfMemory, 0);
    desc.dataSize = static_cast<uint32_t>(bytes);
    if (elemType == kVarString) {
        for (uint32_t i = 0; i < total; ++i) WriteElement(desc, i, initText);
    }
    ArrayVarDesc old{};
    bool hadOld = LoadDesc(number, &old);
    if (!StoreDesc(number, desc)) {
        BlockFree(kTagArrayVarData, desc.data);
        return Fail(true, kModVarStruct, kErrOutOfMemory, 0);
    }
    if (hadOld) BlockFree(kTagArrayVarData, old.data);
    return 0;
}

ErrCode ArrayElement(StrRef name, const int32_t* subs, uint16_t n, StrRef initText) {
    if (VarType(name) != kVarArray) return Fail(true, kModVarStruct, kErrSyntax, 0);
    if (n > kMaxArrayDims) return Fail(true, kModVarStruct, kErrDimStruct, 0);
    ArrayVarDesc desc{};
    if (!FindArray(name, &desc)) {
        if (ErrCode err = ArrayDim(name, ElementType(name), subs, n, initText)) return err;
        if (!FindArray(name, &desc)) return Fail(true, kModVarStruct, kErrInternal, 0);
    }
    uint32_t flat = 0;
    if (ErrCode err = FlatIndex(desc, subs, n, &flat)) return err;
    const char* element = static_cast<const char*>(desc.data) + static_cast<size_t>(flat) * desc.elemSize;
    StrRef result;
    if (desc.elemType == kVarInteger) {
        int16_t v = 0;
        std::memcpy(&v, element, sizeof v);
        result = NumberToSlot(static_cast<ScaledNumber>(v) * ScaleFactor());
    } else {
        result = PoolCopy(StrMake(element, desc.elemSize));
    }
    return StrError(result);
}

ErrCode ArrayAssign(StrRef name, const int32_t* subs, uint16_t n, StrRef value) {
    if (!value.ok()) return StrError(value);
    ArrayVarDesc desc{};
    if (!FindArray(name, &desc)) return Fail(true, kModVarStruct, kErrDimStruct, 0);
    uint32_t flat = 0;
    if (ErrCode err = FlatIndex(desc, subs, n, &flat)) return err;
    WriteElement(desc, flat, value);
    return 0;
}

ErrCode ArrayFill(StrRef name, int32_t from, int32_t to, StrRef value) {
    if (!value.ok()) return StrError(value);
    ArrayVarDesc desc{};
    if (!FindArray(name, &desc)) return Fail(true, kModVarStruct, kErrDimStruct, 0);
    if (from < 0) from = 0;
    if (to > desc.total) to = desc.total;
    for (int32_t i = from; i < to; ++i) WriteElement(desc, static_cast<uint32_t>(i), value);
    return 0;
}

bool ArrayInfo(StrRef name, ArrayVarDesc* desc) {
    ArrayVarDesc found{};
    if (!FindArray(name, &found)) return false;
    if (desc) *desc = found;
    return true;
}

ErrCode ArraysRelease() { return ArrayVarsRelease(); }

}  // namespace rt
