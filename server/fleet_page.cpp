// The administrators' fleet page.
#include "server/fleet_page.h"

#include <ctime>

#include "server/fleet_render.h"
#include "server/fleet_view.h"
#include "protocol/url_query.h"
#include "server/query.h"
#include "server/runtime_guard.h"

namespace rt {
namespace {

Answer Refusal(int status, const char* text, const char* extra = "") {
    Answer a;
    a.status = status;
    a.head = std::string(text) + "\n";
    a.extraHead = extra;
    return a;
}

std::string Base64Decode(std::string_view in) {
    std::string out;
    uint32_t bits = 0;
    int have = 0;
    for (char c : in) {
        int v = c >= 'A' && c <= 'Z' ? c - 'A' : c >= 'a' && c <= 'z' ? c - 'a' + 26 : c >= '0' && c <= '9' ? c - '0' + 52
              : c == '+' ? 62 : c == '/' ? 63 : -1;
        if (c == '=') break;
        if (v < 0) return std::string();
        bits = (bits << 6) | static_cast<uint32_t>(v);
        have += 6;
        if (have >= 8) {
            have -= 8;
            out += static_cast<char>((bits >> have) & 0xFF);
        }
    }
    return out;
}

// 0 for an administrator, else the status to answer.
int Admitted(const ServerConfig& config, std::string_view authorization) {
    const std::string_view scheme = "Basic ";
    if (authorization.size() <= scheme.size() || authorization.substr(0, scheme.size()) != scheme) return 401;
    const std::string pair = Base64Decode(authorization.substr(scheme.size()));
    const size_t colon = pair.find(':');
    if (colon == std::string::npos) return 401;
    const std::string user = pair.substr(0, colon);
    const UserEntry* entry = nullptr;
    for (const UserEntry& u : config.users.users)
        if (u.name == user) entry = &u;
    std::string scrambled;
    if (!entry || RuntimeGuard().Scrambled(pair.substr(colon + 1), user, &scrambled) != kOk || scrambled != entry->scrambled)
        return 401;
    for (const std::string& admin : config.admins)
        if (admin == user) return 0;
    return 403;
}

std::string Param(std::string_view query, std::string_view name) {
    std::string value;
    QueryParam(query, name, &value);
    for (char& c : value)
        if (c == '+') c = ' ';  // how a form sends a blank
    return value;
}

}  // namespace

bool FleetPageTarget(std::string_view target, std::string* format, std::string* query) {
    const size_t q = target.find('?');
    const std::string_view path = target.substr(0, q);
    if (path == "/fleet") *format = "html";
    else if (path == "/fleet.csv") *format = "csv";
    else if (path == "/fleet.json") *format = "json";
    else return false;
    *query = q == std::string_view::npos ? std::string() : std::string(target.substr(q + 1));
    return true;
}

Answer FleetPageAnswer(const ServerConfig& config, const std::string& format, std::string_view query,
                       std::string_view authorization, FILE* log) {
    if (config.admins.empty() || !config.fleet) return Refusal(404, "404 Not Found");
    const int refused = Admitted(config, authorization);
    if (refused == 401) return Refusal(401, "401 Unauthorized", "WWW-Authenticate: Basic realm=\"Kelvane fleet\", charset=\"UTF-8\"\r\n");
    if (refused) return Refusal(403, "403 Forbidden: this account is no administrator");
    FleetView view;
    std::string why;
    if (BuildFleetView(*config.fleet, config.fleetPath, &config, kDefaultSilentDays, static_cast<int64_t>(std::time(nullptr)), &view,
                       &why) != kOk) {
        if (log) std::fprintf(log, "kelvane-server: fleet page: %s\n", why.c_str());
        return Refusal(500, "500 The fleet store cannot be read");
    }
    FleetSelection selection;
    selection.folder = Param(query, "folder");
    selection.state = Param(query, "state");
    selection.sort = Param(query, "sort");
    selection.desc = Param(query, "desc") == "1";
    SelectRows(selection, &view);
    Answer a;
    a.extraHead = "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n";
    if (format == "csv") {
        a.contentType = "text/csv; charset=utf-8";
        a.head = FleetCsv(view);
    } else if (format == "json") {
        a.contentType = "application/json";
        a.head = FleetJson(view);
    } else {
        a.contentType = "text/html; charset=utf-8";
        a.extraHead += "Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'; form-action 'self'\r\n";
        a.head = FleetHtml(view, selection);
    }
    return a;
}

}  // namespace rt
