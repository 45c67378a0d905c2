// Choosing the database backend by the login's net service name. This stands above the statement
// seam (db/sql/), which knows no backend: the session is handed the opener when it connects.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "db/sql/Backend.h"

namespace jf {

// Whether a net service name names an embedded database ("sqlite:PATH"); any other name is an
// Oracle net service name.
bool IsSqliteNetService(std::string_view net_service);
// The embedded database's path in such a name.
std::string_view SqlitePath(std::string_view net_service);

// Opens the backend that serves the net service name: "sqlite:PATH" for the embedded database,
// a PostgreSQL URI ("postgresql://..." or "postgres://...") for PostgreSQL, anything else an
// Oracle net service name. Returns 0 or a status; on failure *error (when
// given) tells why, for the operator (a client library that is missing or too old, a refused
// logon).
int OpenBackend(std::string_view user, std::string_view password, std::string_view net_service,
                std::unique_ptr<sql::Backend>* out, std::string* error = nullptr);

// text with every password that net_service carries (in a URI's user part or parameters, or
// as user/password@name) replaced by "***": what a program prints or logs of a net service
// name, or of a client's reason that may quote it. MaskCredentials(net, net) is the name to show.
std::string MaskCredentials(std::string_view text, std::string_view net_service);

}  // namespace jf
