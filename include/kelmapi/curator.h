// KelmAPI: the two flows of the Curator's command-line tool, over the
// library files: read one partition again from disk, and verify a library.
// Like kelmapi/library.h, these live in the static core (CuratorCommand
// links it); libkelmapi.so and KelmAPI.dll do not export them.
#pragma once

#include <string>
#include <vector>

#include "kelmapi/status.h"

namespace kelmapi {

struct RefreshResult {
    std::string partition;  // relative path: "PartsDBLibs\Resistors.pdb"
    int items = 0;
    std::string holder;  // empty: not reserved
};

// Reads one partition again from disk under the library lock; reservations
// are read, never changed. `partition` is a relative path, or a bare name
// with `kindWord` ("symbols", "cells", "parts"). Statuses: 0;
// KELM_E_BAD_ARGUMENT for an unknown kind word or a text that names no
// partition; KELM_E_CORRUPT when the library or the partition does not
// parse; else the status of the lock or the store. `error` says what failed.
HRESULT RefreshPartition(const std::string& qvmPath, const std::string& partition, const std::string& kindWord,
                         RefreshResult& result, std::string& error);

// Checks the library's integrity through the store's readers: part types
// referring to missing cells or symbols or whose pins no cell has, search
// schemes listing unknown partitions, partitions on disk but not in the
// configuration, unreadable files. 0 with the problems found (one line
// each, "<kind>: <text>"), an unreadable configuration among them; a
// failure, with `error`, when the library cannot be opened at all.
HRESULT VerifyLibrary(const std::string& qvmPath, std::vector<std::string>& problems, std::string& error);

// Writes `text` to LogFiles\<library title>.<name>.txt beside the library,
// replacing it; false when it cannot. `reportPath` is the file's path.
bool WriteLibraryReport(const std::string& qvmPath, const std::string& name, const std::string& text,
                        std::string& reportPath);

}  // namespace kelmapi
