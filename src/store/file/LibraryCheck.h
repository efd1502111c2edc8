// The library check: reads every file of a library, read-only and without
// a store session, and reports what is wrong with it. Each file is read by
// the store's own strict readers, so a damaged file is named with its line
// and the other files are still checked.
//
// Errors: a damaged file; a part type that refers to a cell or a symbol the
// library does not have, or has a pin that one of its cells does not have;
// a part number in two partitions; a partition of the configuration without
// its file or folder, and a partition file or folder that no partition of
// the configuration owns. Warnings: cells and symbols that no part type uses; reservations of
// partitions the library no longer has, or held by a user who is not known
// (not on the list given, or no user at all); a library lock left behind by
// a process that no longer runs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "kelmapi/library.h"

namespace kelm::store {

// The findings and the report are the public ones (kelmapi/library.h).
using kelmapi::FindingSeverity;
using kelmapi::LibraryCheckReport;
using kelmapi::LibraryFinding;

struct LibraryCheckOptions {
    // The users who may hold reservations; empty: any non-empty name.
    std::vector<std::string> knownUsers;
};

// Checks the library whose configuration file is qvmPath. The status is
// about the check itself: 0 once the configuration could be read (the
// report then holds every finding), KELM_E_CORRUPT or KELM_E_IO when it
// could not (the report holds that finding alone).
HRESULT CheckLibrary(const std::string& qvmPath, const LibraryCheckOptions& options, LibraryCheckReport& report);

}  // namespace kelm::store
