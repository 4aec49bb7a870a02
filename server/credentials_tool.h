// A desktop's credentials file made without the updater's form: the text the form saves for a user
// and password, for administrators who deploy the file to many desktops.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/errcode.h"

namespace rt {

// Longest user and password the tool takes: the credentials query of a request stays within the
// updater's 384 characters (the password travels scrambled, two characters a byte).
inline constexpr size_t kMaxCredentialUser = 64;
inline constexpr size_t kMaxCredentialPassword = 128;
// Longest password file or standard input read.
inline constexpr size_t kMaxPasswordInput = 4096;

// The password in a password file's text: its first line, without the line break.
std::string_view PasswordLine(std::string_view text);

// The credentials file for user and password, both without the blanks around them as the form
// takes them: "USER$='<user>'" and "PASSW$='<password scrambled with the user>'", each ending in
// CR LF; a user holding a single quote is written in double quotes. kErrBadInput, with *why, for
// an empty user or password, one beyond the limits above, a control character, or a user holding
// both quotes; kErrOutOfMemory when the run-time cannot scramble it.
ErrCode CredentialsFileText(std::string_view user, std::string_view password, std::string* out, std::string* why);

}  // namespace rt
