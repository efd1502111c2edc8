// The path utilities on any 8-bit text, in the process's code page and in
// the double-byte table: split a path and put it together again, and the
// operations that must be idempotent.
#include "FuzzSupport.h"
#include "platform/CodePage.h"
#include "util/Paths.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm;
    if (size == 0) return 0;
    platform::SetCodePageForTesting(data[0] & 1 ? 932 : 0);
    const std::string all = fuzz::Text(data + 1, size - 1);
    const std::size_t cut = all.find('\0');
    const std::string path = all.substr(0, cut);
    const std::string other = cut == std::string::npos ? std::string() : all.substr(cut + 1);

    std::string drive, folder, title, extension;
    SplitPath(path, &drive, &folder, &title, &extension);
    FUZZ_CHECK(GetPathExtension(path) == extension);
    FUZZ_CHECK(GetPathTitle(path) == title);
    const std::string folderOfPath = GetPathFolder(path);
    FUZZ_CHECK(folderOfPath.rfind(drive + folder, 0) == 0);
    FUZZ_CHECK(folderOfPath.empty() || folderOfPath.back() == '\\' || folderOfPath.back() == '/');
    // The parts are pieces of the path ("." and ".." get a backslash added).
    FUZZ_CHECK(drive.size() + folder.size() + title.size() <= path.size() + 1);
    (void)MakePath(&drive, &folder, &title, &extension);
    (void)GetPathFileName(path);

    std::string once = path;
    AddTrailingBackslash(once);
    std::string twice = once;
    AddTrailingBackslash(twice);
    // A lead byte left alone at the end pairs with the backslash added.
    if (platform::IsRepresentable(path)) FUZZ_CHECK(once == twice);

    std::string changed = path;
    ChangePathExtension(changed, other);
    std::string appended = path;
    AppendPathName(appended, other);
    std::string folderAppended = path;
    AppendPathFolder(folderAppended, other);
    (void)LastCharacter(path);
    platform::SetCodePageForTesting(0);
    return 0;
}
