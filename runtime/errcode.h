// ErrCode and the named codes that the run-time raises itself.
#pragma once

#include <cstdint>

namespace rt {

// kOk is success; codes below kCompletion are data-access conditions, kCompletion is completion and
// codes above it are run-time errors; kFirstSerious and up are serious (recorded once per context
// and shown to the user).
using ErrCode = uint16_t;

inline constexpr ErrCode kOk = 0;
inline constexpr ErrCode kCompletion = 120;
inline constexpr ErrCode kErrUserCanceled = 122;
inline constexpr ErrCode kErrNullExpression = 123;
inline constexpr ErrCode kErrUndefWarning = 124;
inline constexpr ErrCode kErrTypeWarning = 125;
inline constexpr ErrCode kErrBadUserData = 126;
inline constexpr ErrCode kErrOutOfData = 127;
inline constexpr ErrCode kFirstSerious = 128;
inline constexpr ErrCode kErrTypeMismatch = 128;
inline constexpr ErrCode kErrLoopFailure = 129;
inline constexpr ErrCode kErrDiskIo = 130;
inline constexpr ErrCode kErrFileIo = 131;
inline constexpr ErrCode kErrProcExec = 132;
inline constexpr ErrCode kErrTransUp = 134;
inline constexpr ErrCode kErrVarHandle = 135;
inline constexpr ErrCode kErrDiskRead = 136;
inline constexpr ErrCode kErrDiskWrite = 137;
inline constexpr ErrCode kErrDiskOpen = 138;
inline constexpr ErrCode kErrNetAccess = 139;
inline constexpr ErrCode kErrBadExpression = 140;
inline constexpr ErrCode kErrInternal = 141;
inline constexpr ErrCode kErrScreenEnviron = 143;
inline constexpr ErrCode kErrOutOfMemory = 145;
inline constexpr ErrCode kErrStringTooLong = 146;
inline constexpr ErrCode kErrSyntax = 147;
inline constexpr ErrCode kErrFeatureRemoved = 148;
inline constexpr ErrCode kErrDimStruct = 149;
inline constexpr ErrCode kErrBadStringType = 150;
inline constexpr ErrCode kErrBadFileNumber = 151;
inline constexpr ErrCode kErrFormatFailure = 152;
inline constexpr ErrCode kErrMemoryAlloc = 154;
inline constexpr ErrCode kErrExpCalc = 155;
inline constexpr ErrCode kErrVarName = 157;
inline constexpr ErrCode kErrBadCommandLine = 158;
inline constexpr ErrCode kErrStrOutBound = 159;
inline constexpr ErrCode kErrFileOutBound = 161;
inline constexpr ErrCode kErrBadInput = 163;
inline constexpr ErrCode kErrFileNotFound = 164;
inline constexpr ErrCode kErrFileExist = 165;
inline constexpr ErrCode kErrFileOpening = 166;
inline constexpr ErrCode kErrChildExec = 167;
inline constexpr ErrCode kErrDataOutBound = 168;
inline constexpr ErrCode kErrDeviceTimeout = 171;
inline constexpr ErrCode kErrDeviceIo = 172;
inline constexpr ErrCode kErrUserCheck = 174;
inline constexpr ErrCode kErrPermission = 175;
inline constexpr ErrCode kErrStructMem = 176;
inline constexpr ErrCode kErrMemoryOverflow = 180;
inline constexpr ErrCode kErrScreenFieldVar = 181;
inline constexpr ErrCode kErrNoCode = 0xFFFF;

}  // namespace rt
