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
    size_t pos = 0;
    while (pos <= query.size()) {
        size_t end = query.find('&', pos);
        if (end == std::string_view::npos) end = query.size();
        const std::string_view pair = query.substr(pos, end - pos);
        const size_t eq = pair.find('=');
        const std::string_view key = pair.substr(0, eq);
        if (!pair.empty() && UrlDecode(key) == name) {
            *out = eq == std::string_view::npos ? std::string() : UrlDecode(pair.substr(eq + 1));
            return true;
        }
        pos = end + 1;
    }
    return false;
}

}  // namespace rt
