// The headers by which a desktop tells the update server about itself, and the digest that names
// a list answer: one home for the updater that sends them and the server that reads them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rt {

inline constexpr char kHeaderMachine[] = "X-Kelvane-Machine";        // the computer's name, %XX-escaped
inline constexpr char kHeaderVersion[] = "X-Kelvane-Version";        // the updater's version
inline constexpr char kHeaderPreviousExit[] = "X-Kelvane-Previous-Exit";  // exit code of the previous run
inline constexpr char kHeaderList[] = "X-Kelvane-List";              // ListDigest of the last list installed
// Longest machine name sent or kept, in bytes.
inline constexpr size_t kMaxMachineName = 64;
inline constexpr size_t kListDigestSize = 64;

// The lower-case hex SHA-256 of a list answer's body (transfer header and list); empty when it
// cannot be computed.
std::string ListDigest(const char* data, size_t n);
// True for 64 lower-case hex digits.
bool IsListDigest(std::string_view text);

// A machine name as a header value: at most kMaxMachineName bytes, every byte outside printable
// ASCII and every '%' as %XX, so that no name can end the header line or start another.
std::string EscapeHeaderValue(std::string_view text);

}  // namespace rt
