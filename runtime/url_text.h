// An address's text as every layer reads it: its "%XX" escapes decoded, its passwords hidden.
#pragma once

#include <string>
#include <string_view>

namespace rt {

// Replaces every "%XX" (two hex digits, either case) by its byte. A '%' that does not start
// such an escape stays as it is, and '+' stays '+': the updater sends names and paths without
// encoding them, so a literal "100%.txt" or "a+b.txt" must reach the server unchanged.
std::string UrlDecode(std::string_view text);

// The one rule by which an address, or a command line holding one, is shown without its password:
// text with every password replaced by "***"; the user names stay, so that a log line still says
// who asked. A password is the value of a "passw" parameter (its name compared as the server reads
// names, after "%XX" decoding, here in any case) and the part between "user:" and '@' in an
// address's authority. A value runs to the next '&' that starts another name=value pair, to a '#',
// a blank, a quote or the end, so that a password holding '&', '?' or '@' is hidden whole; an
// empty password shows as "***" too, so the log does not tell that it is empty.
std::string CredentialsHidden(std::string_view text);

}  // namespace rt
