// Who the tool works as: -u, then KELM_USER, then the login name (USER,
// USERNAME, LOGNAME, then the password database). An empty name is never
// used: the component would quietly work as "KelmAPI".
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kelmcli {

using EnvironmentLookup = std::function<std::optional<std::string>(const std::string&)>;

struct Identity {
    std::string user;   // empty when refused
    std::string error;  // why, when refused
};

// option: the value of -u when it was given (even empty). Empty variables
// count as unset; the password database is asked last.
Identity ResolveUser(const std::optional<std::string>& option, const EnvironmentLookup& environment,
                     const std::function<std::string()>& passwordDatabaseName);

// The name of the effective user in the password database; empty when it has none.
std::string PasswordDatabaseName();

}  // namespace kelmcli
