// Writing the fleet view as a table, CSV, JSON and HTML.
#include "server/fleet_render.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <set>
#include <tuple>

namespace rt {
namespace {

// The order a person wants to see first: what needs a look.
int Severity(DesktopState s) {
    switch (s) {
        case DesktopState::kFailing: return 0;
        case DesktopState::kSilent: return 1;
        case DesktopState::kBehind: return 2;
        case DesktopState::kSeen: return 3;
        default: return 4;
    }
}

std::string When(int64_t seconds) {
    if (seconds <= 0) return std::string();
    const time_t t = static_cast<time_t>(seconds);
    struct tm local = {};
    localtime_r(&t, &local);
    char out[32];
    std::strftime(out, sizeof out, "%Y-%m-%d %H:%M", &local);
    return out;
}

std::string Date(int32_t ymd) {
    if (ymd <= 0) return std::string();
    char out[16];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", ymd / 10000, ymd / 100 % 100, ymd % 100);
    return out;
}

// What a row's state means, in words.
std::string Detail(const FleetRow& r) {
    switch (r.state) {
        case DesktopState::kBehind: return r.behindSince ? "since " + When(r.behindSince) : std::string();
        case DesktopState::kFailing: return std::to_string(r.seen.previousExit) + " " + r.exitText;
        case DesktopState::kSilent: return std::to_string(r.silentDays) + " days";
        default: return std::string();
    }
}

std::string Expiry(const FolderSummary& f) {
    if (!f.isSigned) return std::string();
    return Date(f.expires) + (f.expiresSoon ? " (expires soon)" : "");
}

std::string Html(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string UrlEncode(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == '/') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string Json(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else if (c == '<') {
            out += "\\u003c";  // the JSON may be shown inside a page
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Csv(std::string_view text) {
    // A leading = + - @ would be a formula to a spreadsheet.
    const bool formula = !text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@');
    std::string out = "\"";
    if (formula) out += '\'';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string Padded(std::string text, size_t width) {
    size_t shown = 0;  // letters, not bytes
    for (unsigned char c : text) shown += (c & 0xC0) != 0x80;
    if (shown < width) text.append(width - shown, ' ');
    return text;
}

}  // namespace

void SelectRows(const FleetSelection& s, FleetView* view) {
    std::erase_if(view->rows, [&](const FleetRow& r) {
        return (!s.folder.empty() && r.seen.path != s.folder) || (!s.state.empty() && s.state != StateName(r.state));
    });
    const auto key = [&](const FleetRow& r) {
        const DesktopRow& d = r.seen;
        if (s.sort == "desktop") return std::make_tuple(std::string(), d.desktop, d.path);
        if (s.sort == "folder") return std::make_tuple(d.path, d.desktop, std::string());
        if (s.sort == "state") return std::make_tuple(std::string(StateName(r.state)), d.desktop, d.path);
        if (s.sort == "seen") return std::make_tuple(When(d.lastSeen), d.desktop, d.path);
        if (s.sort == "version") return std::make_tuple(d.version, d.desktop, d.path);
        if (s.sort == "address") return std::make_tuple(d.address, d.desktop, d.path);
        if (s.sort == "exit") {
            char code[16];
            std::snprintf(code, sizeof code, "%06d", d.previousExit + 1);
            return std::make_tuple(std::string(code), d.desktop, d.path);
        }
        return std::make_tuple(std::string(1, static_cast<char>('0' + Severity(r.state))), d.path, d.desktop);
    };
    std::stable_sort(view->rows.begin(), view->rows.end(), [&](const FleetRow& a, const FleetRow& b) {
        return s.desc ? key(b) < key(a) : key(a) < key(b);
    });
}

std::string FleetText(const FleetView& view) {
    size_t wDesktop = 7, wFolder = 6, wDetail = 6;
    for (const FleetRow& r : view.rows) {
        wDesktop = std::max(wDesktop, r.seen.desktop.size());
        wFolder = std::max(wFolder, r.seen.path.size());
        wDetail = std::max(wDetail, Detail(r).size());
    }
    std::string out = Padded("DESKTOP", wDesktop + 2) + Padded("FOLDER", wFolder + 2) + Padded("STATE", 9) +
                      Padded("DETAIL", wDetail + 2) + Padded("LAST SEEN", 18) + Padded("VERSION", 9) + "ADDRESS\n";
    for (const FleetRow& r : view.rows) {
        const DesktopRow& d = r.seen;
        out += Padded(d.desktop, wDesktop + 2) + Padded(d.path, wFolder + 2) + Padded(StateName(r.state), 9) +
               Padded(Detail(r), wDetail + 2) + Padded(When(d.lastSeen), 18) + Padded(d.version, 9) + d.address + "\n";
    }
    out += "\n" + Padded("FOLDER", wFolder + 2) + "CURRENT  BEHIND  FAILING  SILENT  SEEN  SIGNED  SEQUENCE  EXPIRES\n";
    for (const FolderSummary& f : view.folders) {
        char counts[96];
        std::snprintf(counts, sizeof counts, "%7d  %6d  %7d  %6d  %4d  %-6s  %8s  ", f.counts[0], f.counts[1], f.counts[2],
                      f.counts[3], f.counts[4], f.isSigned ? "yes" : "no",
                      f.isSigned ? std::to_string(f.sequence).c_str() : "");
        out += Padded(f.path.empty() ? "." : f.path, wFolder + 2) + counts + Expiry(f) + "\n";
    }
    if (!view.judged) out += "(no --root: current and behind cannot be told; such desktops show as seen)\n";
    return out;
}

std::string FleetCsv(const FleetView& view) {
    std::string out = "desktop,machine,address,user,folder,state,detail,exit_code,last_seen,first_seen,version,requests\r\n";
    for (const FleetRow& r : view.rows) {
        const DesktopRow& d = r.seen;
        out += Csv(d.desktop) + "," + Csv(d.machine) + "," + Csv(d.address) + "," + Csv(d.user) + "," + Csv(d.path) + "," +
               StateName(r.state) + "," + Csv(Detail(r)) + "," + (d.previousExit >= 0 ? std::to_string(d.previousExit) : "") +
               "," + When(d.lastSeen) + "," + When(d.firstSeen) + "," + Csv(d.version) + "," + std::to_string(d.requests) + "\r\n";
    }
    return out;
}

std::string FleetJson(const FleetView& view) {
    std::string out = "{\"generated\":" + Json(When(view.now)) + ",\"silent_days\":" + std::to_string(view.silentDays) +
                      ",\"judged\":" + (view.judged ? "true" : "false") + ",\"desktops\":[";
    for (size_t i = 0; i < view.rows.size(); ++i) {
        const FleetRow& r = view.rows[i];
        const DesktopRow& d = r.seen;
        out += i ? ",\n" : "\n";
        out += "{\"desktop\":" + Json(d.desktop) + ",\"machine\":" + Json(d.machine) + ",\"address\":" + Json(d.address) +
               ",\"user\":" + Json(d.user) + ",\"folder\":" + Json(d.path) + ",\"state\":\"" + StateName(r.state) +
               "\",\"exit_code\":" + (d.previousExit >= 0 ? std::to_string(d.previousExit) : "null") +
               ",\"exit_text\":" + Json(r.exitText) + ",\"behind_since\":" +
               (r.behindSince ? Json(When(r.behindSince)) : "null") + ",\"last_seen\":" + Json(When(d.lastSeen)) +
               ",\"days_since_seen\":" + std::to_string(r.silentDays) + ",\"version\":" + Json(d.version) +
               ",\"requests\":" + std::to_string(d.requests) + "}";
    }
    out += "],\"folders\":[";
    for (size_t i = 0; i < view.folders.size(); ++i) {
        const FolderSummary& f = view.folders[i];
        out += i ? ",\n" : "\n";
        out += "{\"folder\":" + Json(f.path);
        for (int s = 0; s < kDesktopStates; ++s)
            out += std::string(",\"") + StateName(static_cast<DesktopState>(s)) + "\":" + std::to_string(f.counts[s]);
        out += std::string(",\"published\":") + (f.published ? "true" : "false") + ",\"signed\":" + (f.isSigned ? "true" : "false") +
               ",\"sequence\":" + (f.isSigned ? std::to_string(f.sequence) : "null") +
               ",\"expires\":" + (f.isSigned ? Json(Date(f.expires)) : "null") +
               ",\"expires_soon\":" + (f.expiresSoon ? "true" : "false") + "}";
    }
    return out + "]}\n";
}

namespace {

const char kStyle[] =
    "body{font:15px/1.4 system-ui,-apple-system,'Segoe UI',sans-serif;margin:0;color:#1d2330;background:#f4f6f9}"
    "header{background:#1f3a5f;color:#fff;padding:.8em 1.2em}header h1{font-size:1.25em;margin:0}"
    "header p{margin:.2em 0 0;opacity:.8;font-size:.9em}main{padding:1em 1.2em;max-width:80em}"
    "h2{font-size:1.05em;margin:1.4em 0 .5em}"
    "form{display:flex;flex-wrap:wrap;gap:.6em;align-items:end;margin:.4em 0 1em}"
    "label{display:flex;flex-direction:column;font-size:.85em;color:#4a5468}"
    "select,button{font:inherit;padding:.3em .5em;border:1px solid #b8c0cc;border-radius:4px;background:#fff}"
    "button{background:#1f3a5f;color:#fff;border-color:#1f3a5f}"
    "table{border-collapse:collapse;width:100%;background:#fff;box-shadow:0 1px 2px #0002;border-radius:4px;overflow:hidden}"
    "th,td{text-align:left;padding:.45em .7em;border-bottom:1px solid #e3e7ee;vertical-align:top}"
    "th{background:#e9edf3;font-weight:600;white-space:nowrap;text-transform:capitalize}th a{color:inherit;text-decoration:none}"
    "th a:hover{text-decoration:underline}td.n{text-align:right;font-variant-numeric:tabular-nums}"
    ".st{display:inline-block;padding:.05em .55em;border-radius:1em;font-size:.85em;font-weight:600}"
    ".current{background:#dcf3e3;color:#17603a}.behind{background:#fff1cc;color:#7a5300}"
    ".failing{background:#fbdcdc;color:#9b1c1c}.silent{background:#e4e4ea;color:#4a4a5a}.seen{background:#e3ecf9;color:#24497a}"
    "tr[data-state=failing] td:first-child{box-shadow:inset 4px 0 #c53030}"
    "tr[data-state=behind] td:first-child{box-shadow:inset 4px 0 #d69e2e}"
    "tr[data-state=silent] td:first-child{box-shadow:inset 4px 0 #8a8a9a}"
    ".warn{color:#9b1c1c;font-weight:600}.links{font-size:.85em}.links a{margin-right:1em}"
    "@media (max-width:700px){body{font-size:14px}main{padding:.6em}"
    "table.cards thead{display:none}table.cards,table.cards tbody{display:block;box-shadow:none;background:none}"
    "table.cards tr{display:grid;grid-template-columns:1fr 1fr;margin:0 0 .6em;border-radius:6px;"
    "box-shadow:0 1px 2px #0003;background:#fff;padding:.3em 0}"
    "table.cards td{border:0;padding:.15em .7em}table.cards td:empty{display:none}"
    "table.cards td:before{content:attr(data-label);display:block;color:#4a5468;font-size:.75em}"
    "table.cards td.title{grid-column:1/-1;font-weight:600;font-size:1.05em}table.cards td.title:before{display:none}"
    "table.cards td.wide{grid-column:1/-1}td.n{text-align:left}"
    "}";

const char* const kColumns[][2] = {{"desktop", "Desktop"}, {"folder", "Folder"}, {"state", "State"},
                                   {"seen", "Last seen"}, {"version", "Version"}, {"exit", "Last exit"},
                                   {"address", "Address"}};

std::string Link(const FleetSelection& s, const std::string& sort, bool desc) {
    std::string q = "?sort=" + UrlEncode(sort);
    if (desc) q += "&desc=1";
    if (!s.folder.empty()) q += "&folder=" + UrlEncode(s.folder);
    if (!s.state.empty()) q += "&state=" + UrlEncode(s.state);
    return Html(q);
}

std::string Option(const std::string& value, const std::string& shown, const std::string& chosen) {
    return "<option value=\"" + Html(value) + "\"" + (value == chosen ? " selected" : "") + ">" + Html(shown) + "</option>";
}

}  // namespace

std::string FleetHtml(const FleetView& view, const FleetSelection& s) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
        "<title>Kelvane fleet</title><style>" + std::string(kStyle) + "</style></head><body>\n"
        "<header><h1>Kelvane fleet</h1><p>" + std::to_string(view.rows.size()) + " shown &middot; as of " +
        Html(When(view.now)) + " &middot; silent after " + std::to_string(view.silentDays) + " days</p></header><main>\n";
    out += "<h2>Folders</h2><table class=\"cards\"><thead><tr><th>Folder</th>";
    for (int st = 0; st < kDesktopStates; ++st) out += std::string("<th>") + StateName(static_cast<DesktopState>(st)) + "</th>";
    out += "<th>Signed</th><th>Sequence</th><th>Manifest expires</th></tr></thead><tbody>\n";
    for (const FolderSummary& f : view.folders) {
        out += "<tr><td class=\"title\">" + Html(f.path.empty() ? "." : f.path) + "</td>";
        for (int st = 0; st < kDesktopStates; ++st) {
            const std::string name = StateName(static_cast<DesktopState>(st));
            out += "<td class=\"n\" data-label=\"" + name + "\">" + std::to_string(f.counts[st]) + "</td>";
        }
        out += std::string("<td data-label=\"Signed\">") + (f.isSigned ? "yes" : "no") + "</td><td class=\"n\" data-label=\"Sequence\">" +
               (f.isSigned ? std::to_string(f.sequence) : "") + "</td><td data-label=\"Manifest expires\"" +
               (f.expiresSoon ? " class=\"warn\"" : "") + ">" + Html(Expiry(f)) + "</td></tr>\n";
    }
    out += "</tbody></table>\n<h2>Desktops</h2><form method=\"get\" action=\"/fleet\">"
           "<label>Folder<select name=\"folder\">" + Option("", "all", s.folder);
    for (const FolderSummary& f : view.folders) out += Option(f.path, f.path.empty() ? "." : f.path, s.folder);
    out += "</select></label><label>State<select name=\"state\">" + Option("", "all", s.state);
    for (int st = 0; st < kDesktopStates; ++st) {
        const std::string name = StateName(static_cast<DesktopState>(st));
        out += Option(name, name, s.state);
    }
    out += "</select></label>";
    if (!s.sort.empty()) out += "<input type=\"hidden\" name=\"sort\" value=\"" + Html(s.sort) + "\">";
    out += "<button type=\"submit\">Show</button></form>\n<table class=\"cards\"><thead><tr>";
    for (const auto& column : kColumns) {
        const bool sorted = s.sort == column[0];
        out += "<th><a href=\"" + Link(s, column[0], sorted && !s.desc) + "\">" + column[1] +
               (sorted ? (s.desc ? " &#9660;" : " &#9650;") : "") + "</a></th>";
    }
    out += "</tr></thead><tbody>\n";
    for (const FleetRow& r : view.rows) {
        const DesktopRow& d = r.seen;
        const std::string state = StateName(r.state);
        const std::string detail = Detail(r);
        out += "<tr data-state=\"" + state + "\"><td class=\"title\" data-label=\"Desktop\">" + Html(d.desktop) +
               "</td><td data-label=\"Folder\">" + Html(d.path.empty() ? "." : d.path) + "</td><td class=\"wide\" data-label=\"State\"><span class=\"st " + state + "\">" + state +
               "</span>" + (detail.empty() ? "" : " " + Html(detail)) + "</td><td data-label=\"Last seen\">" +
               Html(When(d.lastSeen)) + "</td><td data-label=\"Version\">" + Html(d.version) + "</td><td data-label=\"Last exit\">" +
               (d.previousExit >= 0 ? std::to_string(d.previousExit) : "") + "</td><td data-label=\"Address\">" + Html(d.address) +
               "</td></tr>\n";
    }
    out += "</tbody></table>\n<p class=\"links\"><a href=\"/fleet.csv\">CSV</a><a href=\"/fleet.json\">JSON</a></p>";
    if (!view.judged) out += "<p>No root is known: current and behind cannot be told.</p>";
    return out + "</main></body></html>\n";
}

}  // namespace rt
