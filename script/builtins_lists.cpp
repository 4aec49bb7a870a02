// Built-ins over stored collections and loops: SORT$ (list sort and record tables), _$ (string
// groups and stacks), _# (the system number array) and FN#ACUM (accumulating loops).
#include <cstring>

#include "runtime/array_vars.h"
#include "runtime/block_table.h"
#include "runtime/context.h"
#include "runtime/params.h"
#include "runtime/string_store.h"
#include "runtime/system_vars.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/text_list_sort.h"
#include "runtime/variables.h"
#include "script/builtins.h"
#include "script/builtins_common.h"
#include "script/expr_eval.h"

namespace rt {

namespace {

constexpr uint16_t kTagSortTable = 14;  // record tables and the work arrays of a list sort


// ---- record tables -----------------------------------------------------------------------------
//
// A table lives in one tracked block: a header, then `capacity` records of `width` bytes. The
// handle text the language holds names the block and repeats the header; the block is the
// authority, so a handle text that was altered or outlived its table is refused, not followed.

constexpr uint32_t kTableMagic = 0x53525442;  // "BTRS"
constexpr uint32_t kMaxTableBytes = 16u * 1024 * 1024;
constexpr uint16_t kHandleSize = 24;

struct TableHead {
    uint32_t magic;
    uint32_t serial;
    uint16_t capacity, width, keyLen, count, cursor, flags;
};

struct Handle {
    uint16_t block;
    uint16_t zero;
    uint32_t serial;
    uint32_t capacity;
    uint16_t width, keyLen, count, cursor, flags, spare;
};
static_assert(sizeof(Handle) == kHandleSize);

uint32_t gTableSerial = 0;

char* Records(TableHead* t) { return reinterpret_cast<char*>(t + 1); }

StrRef HandleText(uint16_t block, const TableHead* t) {
    Handle h{block, 0, t->serial, t->capacity, t->width, t->keyLen, t->count, t->cursor, t->flags, 0};
    ErrCode err = 0;
    char* out = PoolBuffer(kHandleSize, &err);
    if (!out) return StrErr(err ? err : kErrOutOfMemory);
    std::memcpy(out, &h, kHandleSize);
    return StrMake(out, kHandleSize);
}

// The table a handle text names; 147 for anything that is not the handle of a live table.
ErrCode OpenTable(StrRef text, uint16_t* block, TableHead** table) {
    if (text.len != kHandleSize) return kErrSyntax;
    Handle h;
    std::memcpy(&h, text.ptr, kHandleSize);
    ErrCode err = 0;
    BlockEntry* e = BlockLock(h.block, &err);
    if (!e || !e->ptr || e->tag != kTagSortTable || e->size < sizeof(TableHead)) return kErrSyntax;
    TableHead* t = static_cast<TableHead*>(e->ptr);
    if (t->magic != kTableMagic || t->serial != h.serial ||
        e->size != sizeof(TableHead) + uint32_t{t->capacity} * t->width)
        return kErrSyntax;
    *block = h.block;
    *table = t;
    return 0;
}

// A new table block of the given capacity holding the records of `from` (when given).
ErrCode MakeTable(uint16_t capacity, uint16_t width, const TableHead* from, uint16_t* block, TableHead** table) {
    const uint32_t bytes = sizeof(TableHead) + uint32_t{capacity} * width;
    if (bytes > kMaxTableBytes) return kErrOutOfMemory;
    uint16_t h = BlockAlloc(kTagSortTable, bytes, 0);
    if (h == kNoBlock) return kErrOutOfMemory;
    ErrCode err = 0;
    BlockEntry* e = BlockLock(h, &err);
    if (!e || !e->ptr) return kErrOutOfMemory;
    TableHead* t = static_cast<TableHead*>(e->ptr);
    if (from) {
        *t = *from;
        std::memcpy(Records(t), Records(const_cast<TableHead*>(from)), uint32_t{from->count} * width);
    } else {
        *t = TableHead{kTableMagic, 0, 0, width, width, 0, 0, 0};
    }
    t->serial = ++gTableSerial;
    t->capacity = capacity;
    *block = h;
    *table = t;
    return 0;
}

int CompareKeys(const TableHead* t, const char* a, const char* b) {
    int c = std::memcmp(a, b, t->keyLen);
    return (t->flags & kSortDescending) ? -c : c;
}

// SORT$('NEW'; width; key length [width]; flags [0]).
ErrCode TableNew(const BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 2, 4)) return err;
    int16_t width = 0, keyLen = 0, flags = 0;
    if (ErrCode err = ArgInt(call, 2, 0, &width)) return err;
    if (ErrCode err = ArgInt(call, 3, 0, &keyLen)) return err;
    if (ErrCode err = ArgInt(call, 4, 0, &flags)) return err;
    if (width <= 0 || width > static_cast<int16_t>(kMaxText) || keyLen < 0) return kErrBadInput;
    uint16_t block = 0;
    TableHead* t = nullptr;
    if (ErrCode err = MakeTable(16, static_cast<uint16_t>(width), nullptr, &block, &t)) return err;
    t->keyLen = (keyLen == 0 || keyLen > width) ? static_cast<uint16_t>(width) : static_cast<uint16_t>(keyLen);
    t->flags = static_cast<uint16_t>(flags);
    return ResultText(HandleText(block, t), result);
}

// SORT$('ADD'; handle; record): inserted in key order; _IER 5 when a unique table has the key.
ErrCode TableAdd(const BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 3, 3)) return err;
    StrRef handle, record;
    if (ErrCode err = ArgText(call, 2, StrEmpty(), &handle)) return err;
    if (ErrCode err = ArgText(call, 3, StrEmpty(), &record)) return err;
    uint16_t block = 0;
    TableHead* t = nullptr;
    if (ErrCode err = OpenTable(handle, &block, &t)) return err;
    if (record.len > t->width) return kErrBadInput;
    uint16_t mark = PoolMark();
    char* padded = PoolBuffer(t->width);
    if (!padded) return kErrOutOfMemory;
    std::memset(padded, ' ', t->width);
    if (record.len) std::memcpy(padded, record.ptr, record.len);
    // Behind every record that does not come after it, so equal keys keep their order.
    uint32_t lo = 0, hi = t->count;
    while (lo < hi) {
        uint32_t mid = (lo + hi) / 2;
        if (CompareKeys(t, Records(t) + mid * t->width, padded) <= 0) lo = mid + 1; else hi = mid;
    }
    if ((t->flags & kSortUnique) && lo > 0 && CompareKeys(t, Records(t) + (lo - 1) * t->width, padded) == 0) {
        PoolRelease(mark);
        IntSet(kSysIer, 5);
        return ResultText(HandleText(block, t), result);
    }
    if (t->count == 0xFFFF) {
        PoolRelease(mark);
        return kErrOutOfMemory;
    }
    if (t->count == t->capacity) {
        uint32_t grown = uint32_t{t->capacity} * 2;
        uint16_t newBlock = 0;
        TableHead* bigger = nullptr;
        ErrCode err = MakeTable(static_cast<uint16_t>(grown > 0xFFFF ? 0xFFFF : grown), t->width, t, &newBlock, &bigger);
        if (err) {
            PoolRelease(mark);
            return err;
        }
        BlockFree(kTagSortTable, t);
        block = newBlock;
        t = bigger;
    }
    char* at = Records(t) + lo * t->width;
    std::memmove(at + t->width, at, (t->count - lo) * size_t{t->width});
    std::memcpy(at, padded, t->width);
    ++t->count;
    t->cursor = static_cast<uint16_t>(lo);
    PoolRelease(mark);
    IntSet(kSysIer, 0);
    return ResultText(HandleText(block, t), result);
}

constexpr char kMoveCommands[] = "NEW,TOP,PRV,RLD,NXT,BOT,FND,SVE,INS,DEL,LST,NLS,BLS,IMP,MDE,DDE,PRN,TSL,DNL,UPL,OK,RUN,ESC";
constexpr char kMoveAliases[] = "NEXT=NXT:PREVIOUS=PRV:BOTTOM=BOT";
enum MoveCommand { kTop = 2, kPrevious = 3, kNext = 5, kBottom = 6 };

uint16_t MoveCommandOf(StrRef word) {
    uint16_t mark = PoolMark();
    StrRef upper = Case(word, 1);
    uint16_t cmd = upper.ok() ? KeywordIndex(upper, kMoveCommands) : 0;
    if (!cmd && upper.ok() && upper.len > 0) {
        StrRef aliases = StrFromLiteral(kMoveAliases);
        uint16_t count = FieldCount(aliases, ':');
        for (uint16_t k = 1; k <= count && !cmd; ++k) {
            StrRef entry = Field(aliases, ':', k);
            uint16_t eq = FindChar(entry, 0, '=', true);
            if (StrEq(StrMake(entry.ptr, eq), upper))
                cmd = KeywordIndex(StrMake(entry.ptr + eq + 1, static_cast<uint16_t>(entry.len - eq - 1)), kMoveCommands);
        }
    }
    PoolRelease(mark);
    return cmd;
}

// SORT$('MOVE'; handle; command): the outcome (0 on a record, 2 past an end) goes to _IER.
ErrCode TableMove(const BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 3, 3)) return err;
    StrRef handle, word;
    if (ErrCode err = ArgText(call, 2, StrEmpty(), &handle)) return err;
    if (ErrCode err = ArgText(call, 3, StrEmpty(), &word)) return err;
    uint16_t block = 0;
    TableHead* t = nullptr;
    if (ErrCode err = OpenTable(handle, &block, &t)) return err;
    uint16_t cmd = MoveCommandOf(word);
    if (!cmd) return kErrSyntax;
    const uint16_t last = t->count ? static_cast<uint16_t>(t->count - 1) : 0;
    int16_t outcome = t->cursor < t->count ? 0 : 2;
    switch (cmd) {
        case kTop:
            t->cursor = 0;
            outcome = t->count ? 0 : 2;
            break;
        case kBottom:
            t->cursor = last;
            outcome = t->count ? 0 : 2;
            break;
        case kNext:
            if (t->cursor < last) {
                ++t->cursor;
                outcome = 0;
            } else {
                t->cursor = last;
                outcome = 2;
            }
            break;
        case kPrevious:
            if (t->cursor > 0 && t->cursor <= last) {
                --t->cursor;
                outcome = 0;
            } else {
                t->cursor = 0;
                outcome = 2;
            }
            break;
        default: break;
    }
    IntSet(kSysIer, outcome);
    return ResultText(HandleText(block, t), result);
}

// SORT$('GET'; handle) and SORT$('KILL'; handle).
ErrCode TableGetOrKill(const BuiltinCall& call, bool kill, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 2, 2)) return err;
    StrRef handle;
    if (ErrCode err = ArgText(call, 2, StrEmpty(), &handle)) return err;
    uint16_t block = 0;
    TableHead* t = nullptr;
    if (ErrCode err = OpenTable(handle, &block, &t)) return err;
    if (kill) {
        t->magic = 0;
        if (ErrCode err = BlockFree(kTagSortTable, t)) return err;
        return ResultText(StrEmpty(), result);
    }
    if (t->cursor >= t->count) return ResultText(StrEmpty(), result);
    return ResultText(PoolCopy(StrMake(Records(t) + uint32_t{t->cursor} * t->width, t->width)), result);
}

constexpr char kSortWords[] = "NEW,ADD,MOVE,GET,KILL";

}  // namespace

// SORT$ (list or keyword; ...): a sorted list, or an operation on a record table.
ErrCode BuiltinSort(BuiltinCall& call, ExprValue* result) {
    if (call.count < 1) return kErrSyntax;
    StrRef first;
    if (ErrCode err = ArgText(call, 1, StrEmpty(), &first)) return err;
    switch (KeywordIndex(first, kSortWords)) {
        case 1: return TableNew(call, result);
        case 2: return TableAdd(call, result);
        case 3: return TableMove(call, result);
        case 4: return TableGetOrKill(call, false, result);
        case 5: return TableGetOrKill(call, true, result);
        default: break;
    }
    if (ErrCode err = ArgCheck(call, 1, 2)) return err;
    int16_t flags = 0;
    if (ErrCode err = ArgInt(call, 2, 0, &flags)) return err;
    return ResultText(SortList(first, static_cast<uint16_t>(flags)), result);
}

// _$ (group [30]; index [0]; value): store the value first when given, then read a list item or
// the top of a stack; a negative index pops a stack.
ErrCode BuiltinStringGroup(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 0, 3)) return err;
    int16_t group = 30, index = 0;
    if (ErrCode err = ArgInt(call, 1, 30, &group)) return err;
    if (ErrCode err = ArgInt(call, 2, 0, &index)) return err;
    if (group < 0 || group >= kGroupAllStacks) return kErrBadInput;
    const uint16_t g = static_cast<uint16_t>(group);
    const bool stack = g >= 30;
    // The argument stack holds the arguments of the calls in progress, this one's among them.
    const bool argStack = g == kGroupArgStack;
    if (!stack && index < 0) return kErrSyntax;
    if (call.count == 3) {
        if (argStack) return kErrBadInput;
        StrRef value;
        if (ErrCode err = ArgAsText(call, 3, StrEmpty(), &value)) return err;
        value = PoolCopy(value);
        if (!value.ok()) return StrError(value);
        ErrCode err = stack ? StoreAppend(g, value) : StoreSet(g, static_cast<uint16_t>(index), value);
        if (err >= kFirstSerious) return err;
    }
    if (index >= 0) {
        StrRef item = stack ? (StoreCount(g) ? StoreLast(g) : StrEmpty()) : StoreGet(g, static_cast<uint16_t>(index));
        return ResultText(PoolCopy(item.ok() ? item : StrEmpty()), result);
    }
    if (argStack) return kErrBadInput;
    StrRef top = PoolCopy(StoreCount(g) ? StoreLast(g) : StrEmpty());
    if (!top.ok()) return StrError(top);
    for (int32_t k = 0; k < -int32_t{index} && StoreCount(g) > 0; ++k) {
        ErrCode err = StoreDropLast(g);
        if (err >= kFirstSerious) return err;
        if (err) break;
    }
    return ResultText(top, result);
}

// _# (name-or-position-or-keyword; offset; ...): an element of the system number array "_#(".
// 'CLS' clears it from a position over a count (to the end by default); 'DIM' gives it a number
// of elements.
ErrCode BuiltinSysArray(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 0, 3)) return err;
    const StrRef array = StrFromLiteral("_#(");
    ArrayVarDesc desc{};
    const bool exists = ArrayInfo(array, &desc);
    int32_t position = 0;
    if (ArgType(call, 1) == 1) {
        StrRef word;
        ArgText(call, 1, StrEmpty(), &word);
        uint16_t keyword = KeywordIndex(word, "CLS,DIM");
        if (keyword == 1) {
            int16_t from = 0, count = -1;
            if (ErrCode err = ArgInt(call, 2, 0, &from)) return err;
            if (ErrCode err = ArgInt(call, 3, -1, &count)) return err;
            if (exists) {
                int32_t to = count < 0 ? int32_t{desc.total} : int32_t{from} + count;
                uint16_t mark = PoolMark();
                StrRef zero = NumberToSlot(0);
                ErrCode err = ArrayFill(array, from, to, zero);
                PoolRelease(mark);
                if (err) return err;
            }
            return ResultWhole(0, result);
        }
        if (keyword == 2) {
            int16_t size = 0;
            if (ErrCode err = ArgInt(call, 2, 0, &size)) return err;
            if (size <= 0) return kErrBadInput;
            int32_t bound = size - 1;
            uint16_t mark = PoolMark();
            ErrCode err = ArrayDim(array, kVarNumber, &bound, 1, StrEmpty());
            PoolRelease(mark);
            if (err) return err;
            return ResultWhole(0, result);
        }
        uint16_t k = ListIndex(RunParam(kParamCommandLine), word, ',');
        if (k == 0) return ResultWhole(0, result);
        position = k - 1;
    } else {
        int16_t p = 0;
        ArgInt(call, 1, 0, &p);
        position = p;
    }
    int16_t offset = 0;
    if (ErrCode err = ArgInt(call, 2, 0, &offset)) return err;
    int32_t at = position + offset;
    if (!exists || at < 0 || at >= desc.total) return ResultWhole(0, result);
    uint16_t mark = PoolMark();
    ErrCode err = ArrayElement(array, &at, 1);
    ScaledNumber v = err ? 0 : SlotToNumber(PoolTop());
    PoolRelease(mark);
    if (err) return err;
    *result = ExprValue::Number(v);
    return 0;
}

// ---- FN#ACUM -----------------------------------------------------------------------------------

namespace {

// A condition loop that never turns false would hang the one thread there is.
constexpr uint32_t kMaxRounds = 65536;

// The argument text without parentheses that enclose it wholly.
StrRef Bare(StrRef text) {
    while (text.len >= 2 && text.ptr[0] == '(' && MatchParen(text, 0) == text.len - 1)
        text = StrMake(text.ptr + 1, static_cast<uint16_t>(text.len - 2));
    return text;
}

// Runs a prepared text; 0 with its value, a warning below 128 with no value, or an error.
ErrCode Run(StrRef prepared, ExprValue* v) {
    ErrCode st = EvaluatePrepared(prepared, v);
    if (st == kErrNullExpression) st = 0;
    if (st >= kFirstSerious) return st;
    if (st) *v = ExprValue::Number(0);
    return st;
}

// The value of a prepared text as a number; a string value is read as number text and a warning
// counts as 0. Leaves nothing in the pool.
ErrCode NumberOf(StrRef prepared, ScaledNumber* out) {
    PoolScope scope;
    ExprValue v;
    ErrCode err = Run(prepared, &v);
    *out = 0;
    if (err >= kFirstSerious) return err;
    err = v.isString ? TextToNumber(v.text, out) : 0;
    if (!v.isString) *out = v.number;
    return err;
}

ErrCode Add(StrRef prepared, ScaledNumber* sum) {
    ScaledNumber v = 0;
    if (ErrCode err = NumberOf(prepared, &v)) return err;
    if (__builtin_add_overflow(*sum, v, sum)) return kErrDataOutBound;
    return 0;
}

// As EvaluateCondition: an empty text holds; a number holds when it is not zero; a string or a
// warning below 122 does not; 122 and more are returned.
ErrCode Condition(StrRef prepared, bool* holds) {
    *holds = prepared.len == 0;
    if (*holds) return 0;
    uint16_t mark = PoolMark();
    ExprValue v;
    ErrCode st = Run(prepared, &v);
    PoolRelease(mark);
    if (st >= kErrUserCanceled) return st;
    *holds = !st && !v.isString && v.number != 0;
    return 0;
}

bool PlainName(StrRef name) {
    return name.len > 0 && ClassifyOperand(name) == kKindName && FindDelimiter(name, 0) == name.len;
}

}  // namespace

// FN#ACUM (expression; variable-or-condition; start-or-next; end): the sum of the expression over
// a counting loop (4 arguments) or while a condition holds.
ErrCode BuiltinAccumulate(BuiltinCall& call, ExprValue* result) {
    const uint16_t given = ArgTextCount(call.args);
    if (given < 2 || given > 4) return kErrSyntax;
    // Each text is prepared once and run every round.
    StrRef args[5];
    for (uint16_t k = 1; k <= given; ++k) {
        args[k] = PrepareText(Bare(ArgumentText(call.args, k)));
        if (!args[k].ok()) return StrError(args[k]);
    }
    ScaledNumber sum = 0;
    if (given == 4) {
        StrRef name = args[2];
        if (!PlainName(name) || VarType(name) != kVarInteger) return kErrSyntax;
        // The end is read as EvaluateInteger reads it: a text or a warning counts as 0.
        int16_t end = 0;
        {
            uint16_t mark = PoolMark();
            ExprValue v;
            ErrCode err = Run(args[4], &v);
            PoolRelease(mark);
            if (err >= kFirstSerious) return err;
            if (!err && !v.isString) end = NumberToInt16(v.number);
        }
        uint16_t mark = PoolMark();
        StrRef start = Concat(name, args[3]);
        ErrCode err = start.ok() ? ExecuteStatements(start) : StrError(start);
        PoolRelease(mark);
        if (err) return err;
        // Integer variables are cells of the integer array, numbered by their place in the list.
        const int32_t cell = VarFind(name).number;
        if (cell < 0 || cell > 0xFFFF) return kErrInternal;
        const uint16_t var = static_cast<uint16_t>(cell);
        for (uint32_t round = 0;; ++round) {
            // The loop body may set the variable back; a count can take at most 65536 rounds.
            if (round > kMaxRounds) return kErrLoopFailure;
            if (IntGet(var) > end) break;
            if (ErrCode e = Add(args[1], &sum)) return e;
            const int16_t i = IntGet(var);
            // One more would wrap round to the smallest integer and run for ever.
            if (i == INT16_MAX) break;
            IntSet(var, static_cast<int16_t>(i + 1));
            if (ErrCode e = static_cast<ErrCode>(CancelFlag('z'))) return e;
        }
    } else {
        StrRef next = (given == 3 && args[3].len > 0) ? args[3] : args[2];
        bool holds = false;
        if (ErrCode err = Condition(args[2], &holds)) return err;
        for (uint32_t round = 0; holds; ++round) {
            if (round == kMaxRounds) return kErrLoopFailure;
            if (ErrCode err = Add(args[1], &sum)) return err;
            if (ErrCode err = Condition(next, &holds)) return err;
            if (ErrCode e = static_cast<ErrCode>(CancelFlag('z'))) return e;
        }
    }
    *result = ExprValue::Number(sum);
    return 0;
}

}  // namespace rt
