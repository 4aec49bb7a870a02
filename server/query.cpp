// Query reading of the update server: request kind, stamp date and time, the log's view.
#include "server/query.h"

#include <utility>

#include "protocol/url_query.h"
#include "runtime/dates.h"
#include "runtime/url_text.h"

namespace rt {
namespace {

constexpr int32_t kDayMs = 24 * 3600 * 1000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Digits only, at most maxDigits of them; false otherwise.
bool ReadDigits(std::string_view s, size_t maxDigits, int64_t* out) {
    if (s.empty() || s.size() > maxDigits) return false;
    int64_t v = 0;
    for (char c : s) {
        if (!IsDigit(c)) return false;
        v = v * 10 + (c - '0');
    }
    *out = v;
    return true;
}

}  // namespace

std::string QueryForLog(std::string_view query) {
    constexpr size_t kShown = 200;
    const std::string masked = CredentialsHidden(query);
    std::string out;
    for (char c : std::string_view(masked).substr(0, kShown)) {
        const unsigned char u = static_cast<unsigned char>(c);
        out.push_back(u >= 0x20 && u < 0x7F ? c : '?');
    }
    return out;
}

ErrCode ReadStampDate(std::string_view text, int32_t* out) {
    text = TrimBlanks(text);
    int64_t v = 0;
    if (text.empty()) {
        *out = 0;
        return kOk;
    }
    if (!ReadDigits(text, 8, &v)) return kErrBadInput;
    // Eight digits at most, so the value fits the run-time's date values and its calendar judges it.
    if (v != 0 && !ValidDate(static_cast<int32_t>(v))) return kErrBadInput;
    *out = static_cast<int32_t>(v);
    return kOk;
}

ErrCode ReadStampTime(std::string_view text, int32_t* out) {
    text = TrimBlanks(text);
    int64_t v = 0;
    if (text.empty()) {
        *out = 0;
        return kOk;
    }
    if (text.find(':') == std::string_view::npos) {
        if (!ReadDigits(text, 8, &v) || v >= kDayMs) return kErrBadInput;
        *out = static_cast<int32_t>(v);
        return kOk;
    }
    int64_t millis = 0;
    const size_t dot = text.find('.');
    if (dot != std::string_view::npos) {
        std::string_view frac = text.substr(dot + 1);
        if (!ReadDigits(frac, 3, &millis)) return kErrBadInput;
        for (size_t n = frac.size(); n < 3; ++n) millis *= 10;  // ".5" is 500 ms
        text = text.substr(0, dot);
    }
    int64_t fields[3] = {0, 0, 0};
    size_t count = 0;
    size_t pos = 0;
    while (true) {
        const size_t colon = text.find(':', pos);
        const std::string_view part =
            text.substr(pos, colon == std::string_view::npos ? std::string_view::npos : colon - pos);
        if (count == 3 || !ReadDigits(part, 2, &fields[count])) return kErrBadInput;
        ++count;
        if (colon == std::string_view::npos) break;
        pos = colon + 1;
    }
    // Two fields are minutes and seconds, as the run-time reads a typed time.
    const int64_t hours = count == 3 ? fields[0] : 0;
    const int64_t minutes = count == 3 ? fields[1] : fields[0];
    const int64_t seconds = count == 3 ? fields[2] : fields[1];
    if (hours > 23 || minutes > 59 || seconds > 59) return kErrBadInput;
    *out = static_cast<int32_t>(((hours * 60 + minutes) * 60 + seconds) * 1000 + millis);
    return kOk;
}

ErrCode ParseServerQuery(std::string_view query, ServerQuery* out) {
    if (query.size() > kMaxQuery) return kErrBadInput;
    ServerQuery q;
    q.hasUser = QueryParam(query, "user", &q.user);
    q.hasPassw = QueryParam(query, "passw", &q.passw);
    if (!QueryParam(query, "path", &q.path)) return kErrBadInput;
    std::string date, time;
    const bool hasDate = QueryParam(query, "date", &date);
    if (!QueryParam(query, "downfile", &q.downfile)) {
        q.kind = RequestKind::kList;
    } else if (q.downfile == "none" && hasDate) {
        q.kind = RequestKind::kStatus;
        q.downfile.clear();
        QueryParam(query, "time", &time);
        if (ReadStampDate(date, &q.date) != kOk) return kErrBadInput;
        if (ReadStampTime(time, &q.time) != kOk) return kErrBadInput;
    } else {
        q.kind = RequestKind::kFile;
    }
    *out = std::move(q);
    return kOk;
}

}  // namespace rt
