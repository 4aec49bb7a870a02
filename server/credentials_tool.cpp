// The credentials file's text for a user and password, checked as the updater will read it.
#include "server/credentials_tool.h"

#include "protocol/credentials_names.h"
#include "server/runtime_guard.h"

namespace rt {

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool HasControl(std::string_view s) {
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return true;
    }
    return false;
}

// What the field's checks refuse, or empty.
std::string Refused(const char* field, std::string_view value, size_t limit) {
    if (value.empty()) return std::string("the ") + field + " is empty";
    if (value.size() > limit) return std::string("the ") + field + " is longer than " + std::to_string(limit) + " bytes";
    if (HasControl(value)) return std::string("the ") + field + " holds a control character";
    return {};
}

}  // namespace

std::string_view PasswordLine(std::string_view text) {
    const size_t end = text.find_first_of("\r\n");
    return end == std::string_view::npos ? text : text.substr(0, end);
}

ErrCode CredentialsFileText(std::string_view user, std::string_view password, std::string* out, std::string* why) {
    user = Trimmed(user);
    password = Trimmed(password);
    *why = Refused("user", user, kMaxCredentialUser);
    if (why->empty()) *why = Refused("password", password, kMaxCredentialPassword);
    // The updater reads a value in quotes of one kind that it does not hold.
    const bool single = user.find('\'') != std::string_view::npos;
    if (why->empty() && single && user.find('"') != std::string_view::npos) *why = "the user holds both kinds of quote";
    if (!why->empty()) return kErrBadInput;
    std::string scrambled;
    if (const ErrCode err = RuntimeGuard().Scrambled(password, user, &scrambled)) {
        *why = "the password cannot be scrambled";
        return err;
    }
    const char q = single ? '"' : '\'';
    *out = std::string(kUserVariable) + "=" + q + std::string(user) + q + "\r\n" + kPasswordVariable + "='" + scrambled + "'\r\n";
    return kOk;
}

}  // namespace rt
