// Path utilities: not built yet.
#include "util/Paths.h"

namespace kelm {
void SplitPath(const std::string&, std::string*, std::string*, std::string*, std::string*) {}
std::string GetPathExtension(const std::string&) { return {}; }
std::string GetPathTitle(const std::string&) { return {}; }
std::string GetPathFileName(const std::string&) { return {}; }
std::string GetPathFolder(const std::string&) { return {}; }
std::string MakePath(const std::string*, const std::string*, const std::string*, const std::string*) { return {}; }
void AddTrailingBackslash(std::string&) {}
void ChangePathExtension(std::string&, const std::string&) {}
void AppendPathName(std::string&, const std::string&) {}
void AppendPathFolder(std::string&, const std::string&) {}
bool PathExists(const std::string&) { return false; }
int LastCharacter(const std::string&) { return -1; }
}  // namespace kelm
