// System variables: the fixed integer and string variables created at start-up with their defaults.
//
// They are created before any other variable, so the integer ones have the numbers 0..48 and the
// string ones 0..2; run-time code reads the integers directly by number (IntGet / FlagTest).
#pragma once

#include <cstdint>

#include "runtime/errcode.h"
#include "runtime/scaled_number.h"

namespace rt {

// Numbers of the integer system variables (cells of typed array 7).
inline constexpr uint16_t kSysAuxStat = 0;
inline constexpr uint16_t kSysRelRes = 1;
inline constexpr uint16_t kSysCurFil = 2;
inline constexpr uint16_t kSysCurEdFld = 3;
inline constexpr uint16_t kSysDevHig = 4;
inline constexpr uint16_t kSysDevWid = 5;
inline constexpr uint16_t kSysCurRow = 9;
inline constexpr uint16_t kSysStat = 10;
inline constexpr uint16_t kSysLastKey = 11;
inline constexpr uint16_t kSysUpStat = 13;
inline constexpr uint16_t kSysIer = 14;
inline constexpr uint16_t kSysSqlStk = 16;
inline constexpr uint16_t kSysCount = 17;
inline constexpr uint16_t kSysHCount = 18;
inline constexpr uint16_t kSysAdmStat = 19;
inline constexpr uint16_t kSysCompat = 20;
inline constexpr uint16_t kSysScrStat = 21;
inline constexpr uint16_t kSysSafe = 26;
inline constexpr uint16_t kSysLb = 27;
inline constexpr uint16_t kSysAux = 28;
inline constexpr uint16_t kSysKeyMap = 29;
inline constexpr uint16_t kSysTrace = 31;
inline constexpr uint16_t kSysPrecis = kSysVarPrecis;  // 32
inline constexpr uint16_t kSysBYear = 33;
inline constexpr uint16_t kSysBkYear = 34;
inline constexpr uint16_t kSysInHnd = 36;
inline constexpr uint16_t kSysOutHnd = 37;
inline constexpr uint16_t kSysWMaxRow = 41;
inline constexpr uint16_t kSysLang = 45;
inline constexpr uint16_t kSysUser01 = 46;
inline constexpr uint16_t kSysIntegerCount = 49;

// Numbers of the string system variables (items of string-store group 13).
inline constexpr uint16_t kSysAcum = 0;
inline constexpr uint16_t kSysAcumX = 1;
inline constexpr uint16_t kSysLText = 2;
inline constexpr uint16_t kSysStringCount = 3;

// Bit of _AUXSTAT that turns off the patterns of string '=='.
inline constexpr uint16_t kAuxStatNoPatterns = 0x80;

// The start-up lists: entries "name" or "name=default", in creation order.
extern const char kSystemIntegers[];
extern const char kSystemStrings[];

// ContextInit, then SystemVarsDefaults. The first failure is returned (kErrUndefWarning when the
// context was already initialised). The window layer calls this at start-up.
ErrCode SystemVarsInit();
// Creates (or resets) every system variable with its default, in order: each entry is split at
// '=', the default converted by the name's type (AssignTyped) and assigned (VarSet). The first
// failure stops and is returned; kErrInternal when the variables did not get their fixed numbers
// (other variables were created first).
ErrCode SystemVarsDefaults();

}  // namespace rt
