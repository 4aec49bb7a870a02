// The value of one of a query's parameters.
#include "protocol/url_query.h"

namespace rt {

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
