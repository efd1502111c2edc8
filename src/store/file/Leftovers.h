// Files that a session which ended abruptly leaves in a library: temporary
// files of a save that never reached its rename ("<file>.tmp-<process>-<n>"),
// claims of a lock takeover ("<name>.lock.takeover-<id>") and locks moved
// aside by earlier versions ("<name>.lock.stale-*"). The library's data is
// intact without them.
//
// They are removed by the next session that takes the library lock over
// from the session that died (which held it while it wrote): while
// it holds the lock no one else writes the library, and a lock claim only
// matters while the lock it names is still in place. Temporary files are
// removed only when their writer's process no longer runs on this host (a
// file written without the lock, such as a padstack file kept in the
// library folder, may be in the middle of its save). Each removal is logged
// in the store's log.
#pragma once

#include <string>
#include <vector>

namespace kelm::store {

// The caller holds the library lock. Gives the files removed.
std::vector<std::string> RemoveLeftovers(const std::string& qvmPath);

}  // namespace kelm::store
