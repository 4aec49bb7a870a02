// The date and time built-ins: FN$DATE, TIME$ and FN#VALN.
#include "runtime/context.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "script/builtins.h"
#include "runtime/dates.h"
#include "runtime/wait.h"
#include "runtime/number_text.h"

namespace rt {

namespace {

constexpr int kFlagFileTime = 128;  // FN$DATE and TIME$: the argument names a file
constexpr int kFlagWait = 64;       // TIME$: wait instead of formatting
constexpr int kFlagSeconds = 8;     // TIME$: the text is seconds with decimals
constexpr int kTimeFormatBits = 0x77;
constexpr int kDateFormatBits = 0x7f;

ErrCode Whole(int64_t n, ExprValue* result) {
    *result = ExprValue::Number(static_cast<ScaledNumber>(n) * ScaleFactor());
    return 0;
}

ErrCode TextResult(StrRef text, ExprValue* result) {
    if (!text.ok()) return StrError(text);
    *result = ExprValue::Text(text);
    return 0;
}

// A long wait started by a script ends when the user cancels in the progress window.
int CancelPoll(void*) { return CancelFlag('z'); }

// A date argument as its numeric value: a number as it is, a text read as a date.
ErrCode DateArgument(const BuiltinCall& call, uint16_t k, int64_t* value) {
    if (ArgType(call, k) == 0) {
        ScaledNumber v = 0;
        ArgNumber(call, k, 0, &v);
        *value = RoundedDivide(v, ScaleFactor());
        return 0;
    }
    StrRef text;
    if (ErrCode err = ArgText(call, k, StrEmpty(), &text)) return err;
    const StrRef date = ReadDate(text);
    if (!date.ok()) return StrError(date);
    *value = DateValue(date);
    return 0;
}

}  // namespace

// FN$DATE (date text or number [""]; format [0]): the date written in format & 0x7f; with bit 128
// the argument names a file whose last-write date is written.
ErrCode BuiltinDate(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 0, 2)) return err;
    int16_t format = 0;
    if (ErrCode err = ArgInt(call, 2, 0, &format)) return err;
    StrRef date = StrEmpty();
    if (ArgType(call, 1) == 0) {
        ScaledNumber v = 0;
        ArgNumber(call, 1, 0, &v);
        date = NumberToText(v);
    } else if (ErrCode err = ArgText(call, 1, StrEmpty(), &date)) {
        return err;
    }
    if (!date.ok()) return StrError(date);
    if (format & kFlagFileTime) {
        int32_t stamp = 0;
        if (ErrCode err = FileTime(date, kFileWritten, &stamp, nullptr)) return err;
        date = BuildDate(stamp);
    } else if (FindAny(date, StrFromLiteral("-./"), false) != kNpos) {
        date = ReadDate(date);
    }
    if (!date.ok()) return StrError(date);
    return TextResult(WriteDate(date, format & kDateFormatBits), result);
}

// TIME$ (time text or number [""]; flags [0]): a number is milliseconds, no argument is now, flag
// 128 takes a file's last-write time, flag 8 reads seconds with decimals, otherwise a time text;
// flag 64 waits that long (result empty), else the time is written with flags & 0x77.
ErrCode BuiltinTime(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 0, 2)) return err;
    int16_t flagArg = 0;
    if (ErrCode err = ArgInt(call, 2, 0, &flagArg)) return err;
    const int flags = static_cast<uint16_t>(flagArg);
    const int type = ArgType(call, 1);
    int64_t ms = 0;
    if (type == 0) {
        ScaledNumber v = 0;
        ArgNumber(call, 1, 0, &v);
        ms = RoundedDivide(v, ScaleFactor());
    } else if (type == 1) {
        StrRef text;
        ArgText(call, 1, StrEmpty(), &text);
        ErrCode err = 0;
        if (flags & kFlagFileTime) {
            int32_t stamp = 0;
            err = FileTime(text, kFileWritten, nullptr, &stamp);
            ms = stamp;
        } else if (flags & kFlagSeconds) {
            err = SecondsToMs(text, &ms);
        } else if (!(flags & kFlagWait) || text.len) {
            err = ReadTime(text, &ms);
        }
        if (err) return err;
    } else if (!(flags & kFlagWait)) {
        ms = Now();
    }
    if (flags & kFlagWait) {
        // Without an argument there is nothing to wait for: "now" is no length of time.
        const uint32_t wait = ms <= 0 ? 0 : (ms > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<uint32_t>(ms));
        *result = ExprValue::Text(StrEmpty());
        return WaitMs(wait, CancelPoll, nullptr);
    }
    return TextResult(WriteTime(ms, flags & kTimeFormatBits), result);
}

// FN#VALN (text; kind [N]; n): N number text, T a time in seconds, D/M/Y/V the day, month, year
// or value of a date; with n and kind D/M/Y the date arithmetic.
ErrCode BuiltinValue(BuiltinCall& call, ExprValue* result) {
    if (ErrCode err = ArgCheck(call, 1, 3)) return err;
    StrRef kindText;
    if (ErrCode err = ArgText(call, 2, StrFromLiteral("N"), &kindText)) return err;
    kindText = Trim(kindText, kTrimStart | kTrimEnd);
    char kind = kindText.len ? kindText.ptr[0] : 'N';
    if (kind >= 'a' && kind <= 'z') kind = static_cast<char>(kind - 'a' + 'A');
    const bool third = ArgType(call, 3) >= 0;

    if (kind == 'N' || kind == 'T') {
        if (ArgType(call, 1) == 0 && kind == 'N') {
            ScaledNumber v = 0;
            ArgNumber(call, 1, 0, &v);
            *result = ExprValue::Number(v);
            return 0;
        }
        StrRef text;
        if (ArgType(call, 1) == 0) {
            ScaledNumber v = 0;
            ArgNumber(call, 1, 0, &v);
            text = NumberToText(v);
            if (!text.ok()) return StrError(text);
        } else {
            ArgText(call, 1, StrEmpty(), &text);
        }
        if (kind == 'N') {
            ScaledNumber v = 0;
            if (ErrCode err = TextToNumber(text, &v)) return err;
            *result = ExprValue::Number(v);
            return 0;
        }
        int64_t ms = 0;
        if (ErrCode err = ReadTime(text, &ms)) return err;
        *result = ExprValue::Number(RoundedDivide(ms * ScaleFactor(), 1000));
        return 0;
    }
    if (kind != 'D' && kind != 'M' && kind != 'Y' && kind != 'V') return kErrSyntax;

    int64_t date = 0;
    if (ErrCode err = DateArgument(call, 1, &date)) return err;
    if (date < 0 || date > 0x7FFFFFFF) return kErrBadInput;
    if (!third) {
        const int mask = kind == 'D' ? 1 : kind == 'M' ? 2 : kind == 'Y' ? 4 : 15;
        return Whole(DatePart(static_cast<int32_t>(date), mask), result);
    }
    if (kind == 'V') return kErrSyntax;
    int64_t n = 0;
    if (ErrCode err = DateArgument(call, 3, &n)) return err;
    int64_t value = 0;
    if (ErrCode err = DateCalc(static_cast<int32_t>(date), kind, n, &value)) return err;
    return Whole(value, result);
}

}  // namespace rt
