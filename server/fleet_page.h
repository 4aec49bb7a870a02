// The fleet page of the standalone server: /fleet, /fleet.csv and /fleet.json, for the
// administrators named with --admins only, over HTTP Basic (on the loopback, or behind a proxy
// that speaks TLS to the browser). A desktop's credentials never open it.
#pragma once

#include <string>
#include <string_view>

#include "server/answers.h"
#include "server/server_config.h"

namespace rt {

// True when target's path is the page or one of its exports: *format is "html", "csv" or "json"
// and *query what follows '?'.
bool FleetPageTarget(std::string_view target, std::string* format, std::string* query);

// The answer to the page: 404 when no administrators are named or no store is kept; 401 (asking
// for Basic credentials) without credentials or with a wrong password; 403 for a user who is no
// administrator; 500 when the store cannot be read (the log says why); else the page. The query
// may select rows (folder, state) and sort them (sort, desc), as FleetSelection says.
Answer FleetPageAnswer(const ServerConfig& config, const std::string& format, std::string_view query,
                       std::string_view authorization, FILE* log);

}  // namespace rt
