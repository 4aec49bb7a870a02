// Credentials: loading, asking, encoding, the credential query and the password reset.
#include "updater/credentials.h"

#include "runtime/catalogue.h"
#include "runtime/errors.h"
#include "runtime/log.h"
#include "runtime/paths.h"
#include "runtime/scramble.h"
#include "runtime/temp_pool.h"
#include "runtime/text_format.h"
#include "runtime/text_list.h"
#include "runtime/text_ops.h"
#include "runtime/text_search.h"
#include "runtime/variables.h"
#include "runtime/whole_file.h"
#include "script/save_variables.h"
#include "script/script_file.h"
#include "updater/credentials_file.h"
#include "ui/form_value.h"
#include "updater/messages.h"
#include "updater/run_ui.h"

namespace rt {

namespace {

constexpr uint16_t kMaxQuery = 384;

StrRef FileOrDefault(StrRef file) { return (file.ok() && file.len) ? file : StrFromLiteral(kCredentialsFile); }

// The server a variable belongs to: the text before its first '_' when it has one.
StrRef ServerOf(StrRef var) {
    const uint16_t at = FindChar(var, 0, '_', true);
    return at == kNpos ? StrEmpty() : StrMake(var.ptr, at);
}

// One field of the credentials form: the first comma field of message, ':', the variable, ':',
// its starting value.
StrRef FormField(uint16_t message, StrRef var, StrRef initial) {
    StrRef head = Concat(Concat(MessageField(message, 1), StrFromLiteral(":")), var);
    return Concat(Concat(head, StrFromLiteral(":")), FormQuote(initial));
}

// Asks for the credentials in a form; 0 with the variables set (and saved when asked to), 122
// when cancelled, or the form's or store's error.
ErrCode AskCredentials(StrRef file, StrRef userVar, StrRef passwordVar) {
    PoolScope scope;
    if (LogEnabled(0, kLogRuntime)) Log(StrFromLiteral("Getting credentials from stdin"));
    // The credentials of no named server are those the lists call the unknown server: the title
    // says so instead of ending in a blank.
    StrRef server = ServerOf(userVar);
    if (server.ok() && server.len == 0) server = MessageField(kMsgReset, 2);
    StrRef title = Replace(MessageField(kMsgAccess, 2), StrFromLiteral("[$]"), server, true);
    StrRef definition = Join(Join(FormField(kMsgUserField, userVar, VarGetText(userVar)), StrFromLiteral(","),
                                  FormField(kMsgPasswordField, passwordVar, StrEmpty())),
                             StrFromLiteral(","), MessageField(kMsgRememberField, 1));
    if (!title.ok() || !definition.ok()) return title.ok() ? StrError(definition) : StrError(title);
    FormResult answer = RunUpdaterForm(title, definition);
    if (answer.status) return answer.status;
    StrRef user = Trim(FormValueAt(answer.values, 1), kTrimStart | kTrimEnd);
    StrRef password = Trim(FormValueAt(answer.values, 2), kTrimStart | kTrimEnd);
    ErrCode err = VarSetText(userVar, user);
    if (!err) err = VarSetText(passwordVar, Scramble(password, user));
    if (!err && IsYes(Trim(FormValueAt(answer.values, 3), kTrimStart | kTrimEnd)))
        err = SaveVariables(file, Join(userVar, StrFromLiteral(","), passwordVar), kTrimStart | kTrimEnd, StrEmpty(),
                            kSaveOnly);
    return err;
}

}  // namespace

PoolText GetCredentials(uint16_t flags, StrRef file, StrRef userVar, StrRef passwordVar) {
    for (StrRef s : {file, userVar, passwordVar})
        if (!s.ok()) return s;
    uint16_t mark = PoolMark();
    file = FileOrDefault(file);
    if (ErrCode err = LoadCredentialsFile(file)) {
        // Named with the file, so that the log says which file to mend.
        const StrRef path = ScriptFilePath(file);
        RecordAndReport(err, kModStreams,
                        Concat(path.ok() ? path : file, StrFromLiteral(": cannot be read as a credentials file")));
        return PoolReturn(mark, StrErr(err));
    }
    StrRef user = VarGetText(userVar);
    StrRef password = VarGetText(passwordVar);
    const bool known = user.ok() && password.ok() && Trim(user, kTrimStart | kTrimEnd).len && password.len;
    if ((flags & kCredentialsAsk) || !known) {
        VarSetText(passwordVar, StrEmpty());
        if (flags & kCredentialsNeverAsk) return PoolReturn(mark, StrEmpty());
        if (!(flags & kCredentialsAsk) && !CurrentRunUi().Attended()) {
            // Nobody is there to ask (a desktop deployed without the file): the request goes
            // without a password, which a server without users answers; a refusal names the file
            // (PasswordReset).
            if (!user.ok()) user = StrEmpty();
        } else if (ErrCode err = AskCredentials(file, userVar, passwordVar)) {
            return PoolReturn(mark, StrErr(err));
        } else {
            user = VarGetText(userVar);
        }
        password = VarGetText(passwordVar);
    }
    if (!user.ok()) return PoolReturn(mark, user);
    if (!password.ok()) return PoolReturn(mark, password);
    StrRef value = Concat(Concat(Trim(user, kTrimStart | kTrimEnd), StrMake("\0", 1)), password);
    return PoolReturn(mark, value);
}

PoolText NickCredentials(StrRef nick) {
    return GetCredentials(0, nick, StrFromLiteral(kUserVariable), StrFromLiteral(kPasswordVariable));
}

StrRef CredentialUser(StrRef credentials) {
    if (!credentials.ok()) return credentials;
    const uint16_t nul = FindChar(credentials, 0, '\0', true);
    return nul == kNpos ? credentials : StrMake(credentials.ptr, nul);
}

PoolText CredentialPassword(StrRef credentials, bool keepEncoded) {
    if (!credentials.ok()) return credentials;
    const uint16_t nul = FindChar(credentials, 0, '\0', true);
    if (nul == kNpos) return StrEmpty();
    StrRef stored = StrMake(credentials.ptr + nul + 1, static_cast<uint16_t>(credentials.len - nul - 1));
    return keepEncoded ? stored : Unscramble(stored, CredentialUser(credentials));
}

PoolText CredentialQuery(StrRef credentials, bool keepEncoded) {
    if (!credentials.ok()) return credentials;
    uint16_t mark = PoolMark();
    StrRef user = CredentialUser(credentials);
    StrRef password = CredentialPassword(credentials, keepEncoded);
    if (!password.ok()) return PoolReturn(mark, password);
    StrRef query = Format(kMaxQuery, "%s=%.*s&%s=%.*s", "user", static_cast<int>(user.len), user.ptr, "passw",
                          static_cast<int>(password.len), password.ptr);
    return PoolReturn(mark, query);
}

PoolText StoredPasswordServers(StrRef file, StrRef passwordVar) {
    if (!passwordVar.ok()) return passwordVar;
    uint16_t mark = PoolMark();
    StrRef path = ScriptFilePath(FileOrDefault(file));
    StrRef text = (path.ok() && FileLength(path)) ? ReadText(path, StrFromLiteral(";")) : StrEmpty();
    if (!text.ok()) return PoolReturn(mark, text);
    StrRef servers = StrEmpty();
    const uint16_t count = FieldCount(text, ';');
    for (uint16_t k = 1; k <= count && servers.ok(); ++k) {
        StrRef entry = Field(text, ';', k);
        const uint16_t eq = FindChar(entry, 0, '=', false);
        if (eq == kNpos) continue;
        StrRef name = Trim(StrMake(entry.ptr, eq), kTrimStart | kTrimEnd);
        StrRef value = FormUnquote(Trim(StrMake(entry.ptr + eq + 1, static_cast<uint16_t>(entry.len - eq - 1)),
                                        kTrimStart | kTrimEnd));
        if (!value.ok() || value.len == 0) continue;
        StrRef server;
        if (StrEq(name, passwordVar)) {
            server = MessageField(kMsgReset, 2);
        } else if (StrEq(Field(name, '_', 2), passwordVar)) {
            server = Field(name, '_', 1);
        } else {
            continue;
        }
        if (ListIndex(servers, server, ',') == 0) servers = Join(servers, StrFromLiteral(","), server);
    }
    return PoolReturn(mark, servers);
}

ErrCode PasswordReset(StrRef file, StrRef server) {
    if (!server.ok()) return StrError(server);
    PoolScope scope;
    file = FileOrDefault(file);
    StrRef passwordVar = StrFromLiteral(kPasswordVariable);
    StrRef servers = StoredPasswordServers(file, passwordVar);
    if (!servers.ok()) return StrError(servers);
    if (servers.len == 0) {
        // The server refused a request that carried no stored password: the log says which file
        // would have held one, and where it was looked for.
        const StrRef path = ScriptFilePath(file);
        const bool missing = path.ok() && PathExists(path) != 0;
        Log(Concat(StrFromLiteral(missing ? "Access refused; no credentials file: " : "Access refused; no password stored in: "),
                   path.ok() ? path : file));
        return kErrUserCanceled;
    }
    const uint16_t preset = server.len ? ListIndex(servers, server, ',') : 0;
    StrRef chosen;
    if (preset) {
        chosen = Format(8, "%u", static_cast<unsigned>(preset));
    } else {
        chosen = ChooseSeveral(MessageField(kMsgReset, 1), servers);
        if (!chosen.ok()) return StrError(chosen);
        if (chosen.len == 0) return kErrUserCanceled;
    }
    StrRef unnamed = MessageField(kMsgReset, 2);
    StrRef names = StrEmpty();
    const uint16_t count = FieldCount(chosen, ',');
    for (uint16_t k = 1; k <= count; ++k) {
        StrRef name = Field(servers, ',', static_cast<uint16_t>(FieldInt(chosen, ',', k)));
        if (!name.ok() || name.len == 0) continue;
        StrRef var = StrEq(name, unnamed) ? passwordVar : Concat(Concat(name, StrFromLiteral("_")), passwordVar);
        VarSetText(var, StrEmpty());
        names = Join(names, StrFromLiteral(","), var);
    }
    if (!names.ok()) return StrError(names);
    const ErrCode err = SaveVariables(file, names, kTrimStart | kTrimEnd, StrEmpty(), kSaveOnly);
    if (err) {
        ShowResult(err);
    } else if (!preset) {
        ShowInformation(ErrorText(0));
    }
    return err;
}

}  // namespace rt
