// A request address's query as both ends read it: its pairs and the value of a parameter.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "runtime/url_text.h"

namespace rt {

// Calls fn(pair) for each name=value pair of query in order, as its '&'s separate them (empty ones
// too), until fn returns false.
template <class Fn>
void ForEachQueryPair(std::string_view query, Fn fn) {
    for (size_t pos = 0; pos <= query.size();) {
        const size_t end = std::min(query.find('&', pos), query.size());
        if (!fn(query.substr(pos, end - pos))) return;
        pos = end + 1;
    }
}

// The value of parameter `name` in a query of name=value pairs separated by '&', decoded; the
// first occurrence wins. False when the parameter is absent (*out untouched). A pair without
// '=' counts as the name with an empty value.
bool QueryParam(std::string_view query, std::string_view name, std::string* out);

}  // namespace rt
