// Credentials: the user name and encoded password of the update server and shares, kept in the
// variables USER$ and PASSW$ and in a saved-variables file, asked for in a form when missing, and
// the password reset that clears stored passwords.
//
// A credentials value is the user name, a NUL and the password as stored (Scramble of the
// password keyed by the user name). Entries of a named server are "name_USER$" and "name_PASSW$";
// the entries without a name belong to the unnamed server.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "protocol/credentials_names.h"

namespace rt {

// The file when no name is given (the variables' names are in protocol/credentials_names.h).
inline constexpr char kCredentialsFile[] = "credentials";

// Flags of GetCredentials.
inline constexpr uint16_t kCredentialsAsk = 1;       // ask even when both values are known
inline constexpr uint16_t kCredentialsNeverAsk = 2;  // missing values give the empty text

// Loads file (kCredentialsFile when empty; resolved against the application folder after its
// references are expanded) into the variables; a load error is the result. When both userVar and
// passwordVar hold values (and kCredentialsAsk is not set), returns them. Otherwise clears the
// password; with kCredentialsNeverAsk returns the empty text; with nobody there to ask (a batch
// run) and without kCredentialsAsk, the user as stored (or empty) and an empty password; else asks in a form titled "Acceso a
// <server>" for user, password and "remember": the trimmed user name and the password encoded with
// it become the variables, and with "remember" answered yes they are saved into the file. A
// cancelled form gives 122. One pool entry: user NUL encoded password.
PoolText GetCredentials(uint16_t flags, StrRef file, StrRef userVar, StrRef passwordVar);

// The credentials of the application nick's file, asked for when missing.
PoolText NickCredentials(StrRef nick);

// The user name of a credentials value (a piece of it), and its password: as stored with
// keepEncoded, else decoded with the user name (a pool entry).
StrRef CredentialUser(StrRef credentials);
PoolText CredentialPassword(StrRef credentials, bool keepEncoded);
// "user=<name>&passw=<password>" (at most 384 characters, else 146), the password as stored with
// keepEncoded (the update server's requests) or decoded (share connections). A pool entry.
PoolText CredentialQuery(StrRef credentials, bool keepEncoded);

// The servers whose password variable (passwordVar, or "<server>_" passwordVar) holds a non-empty
// value in file, in the file's order, as a comma list; the unnamed server is called by catalogue
// message 141 field 2 ("Servidor desconocido"). A pool entry.
PoolText StoredPasswordServers(StrRef file, StrRef passwordVar);

// The password reset: the servers with a stored password; server when it is among them, else
// the ones the user marks in a list (message 141 field 1; cancelled: 122; nothing stored: 122 and
// a log line naming the file, missing or without a password, with its folder). Their
// password variables are cleared and saved into the file, so the next request asks for them. The
// result is shown (success or error) unless server named one and the save succeeded.
ErrCode PasswordReset(StrRef file, StrRef server);

}  // namespace rt
