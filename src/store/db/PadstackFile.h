// The padstack database file (named by the client): one padstack per line
// with its name, type and time stamp, sorted by name.
#pragma once

#include <string>
#include <vector>

#include "store/db/PadstackDB.h"

namespace kelm::store {

bool ParsePadstackFile(const std::string& text, const std::string& fileName,
                       std::vector<padstackdb::PadstackData>& padstacks, std::string& error);
std::string SerializePadstackFile(std::vector<padstackdb::PadstackData> padstacks);

}  // namespace kelm::store
