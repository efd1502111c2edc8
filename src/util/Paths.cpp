// Path utilities. Searches for a backslash walk the string character by
// character so that the trail byte of a double-byte character (which may be
// 0x5C) is never taken for a separator; searches for ':', '/' and '.' are
// plain byte searches.
#include "util/Paths.h"

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace kelm {
namespace {

constexpr int kBackslash = '\\';

// Bytes in the character that starts at text[i]: 2 for a lead byte with a
// trail byte after it, else 1.
std::size_t CharLength(const std::string& text, std::size_t i) {
    return platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// The first backslash at or after `from` (a character boundary).
std::size_t FindBackslash(const std::string& text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); i += CharLength(text, i)) {
        if (text[i] == '\\') return i;
    }
    return std::string::npos;
}

std::size_t FindLastBackslash(const std::string& text) {
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) {
        if (text[i] == '\\') last = i;
    }
    return last;
}

bool IsPresent(const std::string* part) { return part != nullptr && !part->empty(); }

void Assign(std::string* out, std::string value) {
    if (out != nullptr) *out = std::move(value);
}

}  // namespace

int LastCharacter(const std::string& text) {
    int last = -1;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = CharLength(text, i);
        last = static_cast<unsigned char>(text[i]);
        if (length == 2) last = last * 256 + static_cast<unsigned char>(text[i + 1]);
        i += length;
    }
    return last;
}

void SplitPath(const std::string& path, std::string* drive, std::string* folder, std::string* title,
               std::string* extension) {
    for (std::string* out : {drive, folder, title, extension}) {
        if (out != nullptr) out->clear();
    }
    if (path == "." || path == "..") {
        Assign(folder, path + "\\");
        return;
    }

    // Drive: up to the first ':', or the server part of a \\server path.
    std::string rest;
    if (const std::size_t colon = path.find(':'); colon != std::string::npos) {
        Assign(drive, path.substr(0, colon + 1));
        rest = path.substr(colon + 1);
    } else if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        const std::size_t share = FindBackslash(path, 2);
        if (share != std::string::npos) {
            Assign(drive, path.substr(0, share));
            rest = path.substr(share);
        } else {
            Assign(drive, path);
        }
    } else {
        rest = path;
    }

    // Folder: up to the last backslash; '/' only when there is none.
    std::size_t separator = FindLastBackslash(rest);
    if (separator == std::string::npos) separator = rest.rfind('/');
    std::string fileName;
    if (separator != std::string::npos) {
        Assign(folder, rest.substr(0, separator + 1));
        fileName = rest.substr(separator + 1);
    } else {
        fileName = std::move(rest);
    }

    // Extension: after the last '.' of the file name.
    if (const std::size_t dot = fileName.rfind('.'); dot != std::string::npos) {
        Assign(extension, fileName.substr(dot + 1));
        Assign(title, fileName.substr(0, dot));
    } else {
        Assign(title, std::move(fileName));
    }
}

std::string GetPathExtension(const std::string& path) {
    std::string extension;
    SplitPath(path, nullptr, nullptr, nullptr, &extension);
    return extension;
}

std::string GetPathTitle(const std::string& path) {
    std::string title;
    SplitPath(path, nullptr, nullptr, &title, nullptr);
    return title;
}

std::string GetPathFileName(const std::string& path) {
    std::string title;
    std::string extension;
    SplitPath(path, nullptr, nullptr, &title, &extension);
    if (!extension.empty()) title += "." + extension;
    return title;
}

std::string GetPathFolder(const std::string& path) {
    std::string drive;
    std::string folder;
    SplitPath(path, &drive, &folder, nullptr, nullptr);
    if (!drive.empty() && folder.empty()) return drive + "\\";
    return drive + folder;
}

std::string MakePath(const std::string* drive, const std::string* folder, const std::string* title,
                     const std::string* extension) {
    std::string path;
    if (IsPresent(drive)) {
        path += *drive;
        if ((*drive)[0] != '\\' && LastCharacter(path) != ':') path += ':';
    }
    if (IsPresent(folder)) path += *folder;
    if (!path.empty() && LastCharacter(path) != kBackslash) path += '\\';
    if (IsPresent(title)) path += *title;
    if (IsPresent(extension)) {
        if (LastCharacter(path) != '.') path += '.';
        path += (*extension)[0] == '.' ? extension->substr(1) : *extension;
    }
    return path;
}

void AddTrailingBackslash(std::string& path) {
    if (!path.empty() && LastCharacter(path) != kBackslash) path += '\\';
}

void ChangePathExtension(std::string& path, const std::string& extension) {
    std::string drive;
    std::string folder;
    std::string title;
    SplitPath(path, &drive, &folder, &title, nullptr);
    std::string newTitle;
    std::string newExtension;
    SplitPath(extension, nullptr, nullptr, &newTitle, &newExtension);
    if (newExtension.empty()) newExtension = newTitle;
    path = MakePath(&drive, &folder, &title, &newExtension);
}

void AppendPathName(std::string& path, const std::string& name) {
    std::string drive;
    std::string folder;
    std::string title;
    std::string extension;
    SplitPath(path, &drive, &folder, &title, &extension);
    if (extension.empty()) {
        // The path is a folder: the name is appended to it as written.
        const std::string newFolder = folder + title + name;
        path = MakePath(&drive, &newFolder, nullptr, nullptr);
        if (LastCharacter(path) == kBackslash) path.pop_back();
    } else {
        // The path names a file: the name becomes the last folder above it.
        const std::string newFolder = folder + name;
        path = MakePath(&drive, &newFolder, &title, &extension);
    }
}

void AppendPathFolder(std::string& path, const std::string& name) {
    const bool isFolder = GetPathExtension(path).empty();
    AppendPathName(path, name);
    if (isFolder) AddTrailingBackslash(path);
}

bool PathExists(const std::string& path) { return platform::PathExistsOnDisk(path); }

}  // namespace kelm
