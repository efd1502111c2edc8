// Opening a damaged library through IKelm and querying it. A copy of the
// example library is made once; each input replaces one of its files (the
// first byte picks which), the library is opened read-only and every query
// runs on it. Any status is fine; a crash, a leak or a hang is not.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

#include "FuzzSupport.h"
#include "api/Kelm.h"
#include "platform/CodePage.h"
#include "util/AutoTypes.h"

namespace {

namespace fs = std::filesystem;

struct Library {
    fs::path root;
    std::vector<fs::path> files;
    std::vector<std::string> original;
};

const Library& TheLibrary() {
    static const Library library = [] {
        Library made;
        made.root = fs::temp_directory_path() / ("kelm-open-fuzz-" + std::to_string(getpid()));
        fs::remove_all(made.root);
        fs::copy(fs::path(KELM_SOURCE_DIR) / "examples" / "library", made.root, fs::copy_options::recursive);
        for (const auto& entry : fs::recursive_directory_iterator(made.root)) {
            if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
            made.files.push_back(entry.path());
        }
        std::sort(made.files.begin(), made.files.end());
        // The reservations file and the lock file, which the example lacks.
        made.files.push_back(made.root / "Demo.reservations");
        made.files.push_back(made.root / "Demo.lock");
        for (const fs::path& file : made.files) {
            std::ifstream in(file, std::ios::binary);
            made.original.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return made;
    }();
    return library;
}

void Write(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

kelm::AutoBstr Bstr(const std::string& text) { return kelm::AutoBstr(kelm::platform::AnsiToBstr(text)); }

void Query(IKelm* kelm) {
    using kelm::AutoBstr;
    using kelm::AutoSafeArray;
    const KelmEnum_ObjType kinds[] = {KelmEnum_ObjType_PartType, KelmEnum_ObjType_Cell, KelmEnum_ObjType_LogicSymbol};
    AutoBstr scheme;
    kelm->GetSearchScheme_Default(scheme.Out());
    AutoSafeArray schemes;
    kelm->GetSearchScheme_All(schemes.Out());
    for (const KelmEnum_ObjType kind : kinds) {
        AutoSafeArray partitions;
        kelm->GetPartitionList_DefaultSearchScheme(kind, VARIANT_TRUE, VARIANT_TRUE, partitions.Out());
        AutoSafeArray paths;
        kelm->GetPartitionList_SearchScheme(scheme.get(), kind, VARIANT_FALSE, VARIANT_FALSE, paths.Out());
    }
    struct Item { const char* partition; const char* item; KelmEnum_ObjType kind; };
    const Item items[] = {{"Resistors", "R-0603-10K", KelmEnum_ObjType_PartType}, {"Logic", "SN74HC00", KelmEnum_ObjType_PartType},
                          {"Smd", "SOIC14", KelmEnum_ObjType_Cell}, {"Thru", "DIP14", KelmEnum_ObjType_Cell},
                          {"Gates", "NAND2", KelmEnum_ObjType_LogicSymbol}, {"Passives", "RES", KelmEnum_ObjType_LogicSymbol}};
    for (const Item& item : items) {
        AutoBstr partition = Bstr(item.partition), name = Bstr(item.item), filter = Bstr("*"), none;
        long count = 0;
        kelm->GetPartitionItemsCount(partition.get(), filter.get(), item.kind, &count);
        AutoSafeArray listed;
        kelm->GetPartitionItems(partition.get(), filter.get(), item.kind, listed.Out());
        AutoBstr found;
        kelm->FindItemPartition(name.get(), item.kind, found.Out());
        VARIANT_BOOL exists = VARIANT_FALSE;
        kelm->DoesItemExist(none.get(), none.get(), name.get(), item.kind, &exists);
        long pins = 0;
        kelm->GetPinCount(partition.get(), name.get(), item.kind, &pins);
        AutoBstr holder;
        kelm->GetPartitionReservation(partition.get(), item.kind, holder.Out());
        if (item.kind == KelmEnum_ObjType_Cell) {
            AutoSafeArray parts, storing;
            kelm->GetPartsUsingThisCell(name.get(), parts.Out());
            kelm->GetPartitionsStoringThisCell(name.get(), storing.Out());
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const Library& library = TheLibrary();
    const std::size_t which = data[0] % library.files.size();
    Write(library.files[which], kelm::fuzz::Text(data + 1, size - 1));

    IKelm* kelm = nullptr;
    FUZZ_CHECK(kelm::CKelm::CreateInstance(nullptr, IID_IKelm, reinterpret_cast<void**>(&kelm)) == S_OK);
    kelm::AutoBstr file = Bstr((library.root / "Demo.qvm").string());
    if (kelm->Kelmstore_Open(file.get(), nullptr, VARIANT_TRUE) == S_OK) Query(kelm);
    kelm->Kelmstore_Close();
    kelm->Release();

    if (library.original[which].empty() && which + 2 >= library.files.size()) fs::remove(library.files[which]);
    else Write(library.files[which], library.original[which]);
    return 0;
}
