// The one rule by which an address, or a command line holding one, is shown without its password.
#pragma once

#include <string>
#include <string_view>

namespace rt {

// text with every password replaced by "***"; the user names stay, so that a log line still says
// who asked. A password is the value of a "passw" parameter (its name compared as the server reads
// names, after "%XX" decoding, here in any case) and the part between "user:" and '@' in an
// address's authority. A value runs to the next '&' that starts another name=value pair, to a '#',
// a blank, a quote or the end, so that a password holding '&', '?' or '@' is hidden whole; an
// empty password shows as "***" too, so the log does not tell that it is empty.
std::string CredentialsHidden(std::string_view text);

}  // namespace rt
