// The names in the updater's credentials file, shared by the updater that reads it and the
// server's tool that writes one for a desktop.
#pragma once

namespace rt {

// The user and the scrambled password of the unnamed server; a named server's are
// "<server>_USER$" and "<server>_PASSW$".
inline constexpr char kUserVariable[] = "USER$";
inline constexpr char kPasswordVariable[] = "PASSW$";

}  // namespace rt
