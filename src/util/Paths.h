// Path utilities: pure string operations on 8-bit paths. The backslash is
// the separator; '/' counts only in a path with no backslash after its drive.
// Searches for a backslash step over double-byte characters.
#pragma once

#include <string>

namespace kelm {

// Any output may be null: that part is not produced.
void SplitPath(const std::string& path, std::string* drive, std::string* folder, std::string* title,
               std::string* extension);

std::string GetPathExtension(const std::string& path);  // without the dot
std::string GetPathTitle(const std::string& path);
std::string GetPathFileName(const std::string& path);
std::string GetPathFolder(const std::string& path);     // drive + folder, ends in a separator

// Any part may be null (absent) or empty.
std::string MakePath(const std::string* drive, const std::string* folder, const std::string* title,
                     const std::string* extension);

void AddTrailingBackslash(std::string& path);
void ChangePathExtension(std::string& path, const std::string& extension);
void AppendPathName(std::string& path, const std::string& name);
void AppendPathFolder(std::string& path, const std::string& name);

bool PathExists(const std::string& path);

// The last character of a string, double-byte aware: a lead and a trail byte
// count as lead * 256 + trail; -1 for the empty string.
int LastCharacter(const std::string& text);

}  // namespace kelm
