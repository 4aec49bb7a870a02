// URL decoding of a query and the value of one of its parameters.
#include "protocol/url_query.h"

#include "runtime/number_text.h"

namespace rt {

std::string UrlDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

bool QueryParam(std::string_view query, std::string_view name, std::string* out) {
    bool found = false;
    ForEachQueryPair(query, [&](std::string_view pair) {
        const size_t eq = pair.find('=');
        if (pair.empty() || UrlDecode(pair.substr(0, eq)) != name) return true;
        *out = eq == std::string_view::npos ? std::string() : UrlDecode(pair.substr(eq + 1));
        found = true;
        return false;
    });
    return found;
}

}  // namespace rt
