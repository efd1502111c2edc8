#include "Identity.h"

#include <pwd.h>
#include <unistd.h>

namespace kelmcli {

Identity ResolveUser(const std::optional<std::string>& option, const EnvironmentLookup& environment,
                     const std::function<std::string()>& passwordDatabaseName) {
    if (option) {
        if (option->empty()) return {{}, "the user name given with -u is empty"};
        return {*option, {}};
    }
    for (const char* name : {"KELM_USER", "USER", "USERNAME", "LOGNAME"}) {
        if (auto value = environment(name); value && !value->empty()) return {*value, {}};
    }
    if (std::string name = passwordDatabaseName(); !name.empty()) return {name, {}};
    return {{}, "no user name: KELM_USER, USER, USERNAME and LOGNAME are unset and the password database has no entry"};
}

std::string PasswordDatabaseName() {
    const passwd* entry = getpwuid(geteuid());
    return entry != nullptr && entry->pw_name != nullptr ? entry->pw_name : std::string();
}

}  // namespace kelmcli
