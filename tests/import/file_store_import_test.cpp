// Part type and cell import against the file store: what a fresh object
// reads back after the client saved, and the warnings in the log; and a
// realistic run: a client script adds 1,000 part types with their cells and
// symbols to a copy of the example library, saves, and a fresh object finds
// everything, the library's own contents included.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "import/CellImport.h"
#include "import/PartImport.h"
#include "maintenance/Partitions.h"
#include "maintenance/Reservation.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "store/file/LibraryTools.h"
#include "support/EditTestLibrary.h"
#include "support/ImportRecords.h"
#include "util/AutoTypes.h"
#include "util/Format.h"

using namespace kelm;
using namespace kelm::testing;

namespace {

constexpr auto kCell = KelmEnum_ObjType_Cell;
constexpr auto kPart = KelmEnum_ObjType_PartType;

class FileStoreImport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, library.OpenStatus());
        for (auto [name, kind] : {std::pair{"Smd", kCell}, std::pair{"Resistors", kPart}}) {
            ASSERT_EQ(S_OK, AddPartition(session, name, kind, VARIANT_TRUE));
            ASSERT_EQ(S_OK, ReservePartition(session, name, kind));
        }
        ASSERT_EQ(S_OK, AddPartition(session, "Gates", KelmEnum_ObjType_LogicSymbol, VARIANT_TRUE));
    }
    std::string CellFile() const { return library.Folder() + "/CellDBLibs/Smd.cel"; }

    FileTestLibrary library{"alice"};
    LibrarySession& session = library.Session();
    ImportRecords records;
};

}  // namespace

TEST_F(FileStoreImport, PartTypeIsReadBackWholeByAFreshObject) {
    ASSERT_EQ(S_OK, store::SymbolFileAdd(library.QvmPath(), "Gates", "RES-2", {"A", "B"}));
    for (const char* cell : {"R0603", "R0805"}) {
        const KelmStruct_Cell record = records.Cell(cell, StringList{"1", "2"});
        ASSERT_EQ(S_OK, AddItemToQVM_Cell(session, "Smd", &record, VARIANT_FALSE));
    }
    KelmStruct_PartType part = records.Part("RES\\10K", 1234567);
    part.m_psarrCells = records.Cells({records.Cell("R0603", StringList{"1", "2"}), records.Cell("R0805")});
    part.m_psarrLogicSymbols = records.Symbols({records.Symbol("RES-2", "Gates:RES-2", StringList{"A", "B"})});
    ASSERT_EQ(S_OK, AddItemToQVM_Part(session, "Resistors", &part, VARIANT_FALSE));
    ASSERT_EQ(S_OK, session.Save());

    auto fresh = library.OpenAnother("carol");
    store::KelmPart parts(fresh->Store(), nullptr);
    store::PartRecord record;
    ASSERT_EQ(S_OK, parts.GetRecord("RES_10K", record));
    EXPECT_EQ("Resistors", record.partition);
    EXPECT_EQ((StringList{"1", "2"}), record.pins);
    EXPECT_EQ("RES\\10K name", record.name);
    EXPECT_EQ("RES\\10K label", record.label);
    EXPECT_EQ("RES\\10K type", record.type);
    EXPECT_EQ("RES\\10K description", record.description);
    EXPECT_EQ(1234567, record.timestamp);
    EXPECT_EQ((StringList{"R0603", "R0805"}), record.cells);
    ASSERT_EQ(1u, record.symbols.size());
    EXPECT_EQ("Gates:RES_2", record.symbols[0].itemSpec);
    EXPECT_EQ((StringList{"A", "B"}), record.symbols[0].pins);

    const std::string tag = "AddItemToQVM_Part";
    const auto lines = library.LogLines();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                     WarningLine(tag, "Adjusting Part Number: (RES\\10K) -> (RES_10K). Partition (Resistors).")));
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                     WarningLine(tag, "Adjusting Symbol Name: (RES-2) -> (RES_2). Partition (Resistors), Part Number (RES_10K).")));
}

TEST_F(FileStoreImport, CellTakesSortedPinsAndPadstacksFromTheCellFile) {
    ASSERT_EQ(S_OK, store::CellDBAddCell(CellFile(), "SO8", {"8", "2", "1", "3"}, {"smd60", "fid"}));
    ASSERT_EQ(S_OK, store::CellDBAddCell(CellFile(), "QFN-32+EP", {"2", "1"}, {"pad"}));
    const KelmStruct_Cell so8 = records.Cell("SO8", StringList{"x", "y"}, 42);
    ASSERT_EQ(S_OK, AddItemToQVM_Cell(session, "Smd", &so8, VARIANT_FALSE));
    const KelmStruct_Cell qfn = records.Cell("QFN-32+EP");
    ASSERT_EQ(S_OK, AddItemToQVM_Cell(session, "Smd", &qfn, VARIANT_FALSE));
    ASSERT_EQ(S_OK, session.Save());

    auto fresh = library.OpenAnother("carol");
    store::KelmCell cells(fresh->Store(), nullptr, nullptr);
    store::CellRecord record;
    ASSERT_EQ(S_OK, cells.GetRecord("SO8", "Smd", record));
    EXPECT_EQ((StringList{"1", "2", "3", "8"}), record.pins);
    EXPECT_EQ((StringList{"fid", "smd60"}), record.padstacks);
    EXPECT_EQ(42, record.timestamp);
    ASSERT_EQ(S_OK, cells.GetRecord("QFN-32+EP", "Smd", record));  // the name is not adjusted
    EXPECT_EQ((StringList{"1", "2"}), record.pins);
    EXPECT_TRUE(library.LogLines().empty());
}

TEST_F(FileStoreImport, ImportNeedsAHolderButNotTheSessionUser) {
    ASSERT_EQ(S_OK, UnReservePartition(session, "Resistors", kPart));
    KelmStruct_PartType part = records.Part("R1");
    EXPECT_EQ(E_FAIL, AddItemToQVM_Part(session, "Resistors", &part, VARIANT_FALSE));

    ASSERT_EQ(S_OK, session.Save());
    auto bob = library.OpenAnother("bob");
    ASSERT_EQ(S_OK, ReservePartition(*bob, "Resistors", kPart));
    EXPECT_EQ(S_OK, AddItemToQVM_Part(session, "Resistors", &part, VARIANT_FALSE));
    EXPECT_EQ(E_FAIL, AddItemToQVM_Part(session, "Resistors", &part, VARIANT_FALSE));  // exists
    EXPECT_EQ(S_OK, AddItemToQVM_Part(session, "Resistors", &part, VARIANT_TRUE));
    EXPECT_EQ(S_OK, UnReservePartition(*bob, "Resistors", kPart));
}

namespace {

constexpr int kParts = 1000;
constexpr int kCells = 40;
constexpr int kSymbols = 10;

// Every part type of every partition, by partition.
std::map<std::string, StringList> PartsByPartition(LibrarySession& session) {
    store::KelmSchemePartition schemes(session.Store());
    schemes.InitPartitionType(store::kPartitionTypePart);
    StringList all;
    schemes.GetAllPartitions(all, 1);
    std::map<std::string, StringList> parts;
    store::KelmPart reader(session.Store(), nullptr);
    for (const std::string& path : all) {
        if (path.rfind("PartsDBLibs\\", 0) != 0) continue;
        std::string name = path.substr(12);
        if (name.size() > 4) name.resize(name.size() - 4);  // ".pdb"
        reader.GetPartsInPartition(parts[name], name);
    }
    return parts;
}

// A copy of the example library; a new, empty one where the sources cannot
// be reached (a cross-built run).
std::unique_ptr<FileTestLibrary> OpenLibrary(bool& fromExample) {
    const std::filesystem::path example = std::filesystem::path(KELM_SOURCE_DIR) / "examples" / "library";
    std::error_code error;
    fromExample = std::filesystem::exists(example / "Demo.qvm", error);
    if (!fromExample) return std::make_unique<FileTestLibrary>("importer");
    return std::make_unique<FileTestLibrary>(example, "Demo.qvm", "importer");
}

}  // namespace

TEST(ImportScript, ThousandPartTypesAreImportedIntoTheExampleLibraryAndReadBack) {
    bool fromExample = false;
    auto library = OpenLibrary(fromExample);
    ASSERT_EQ(S_OK, library->OpenStatus());
    LibrarySession& session = library->Session();
    const auto before = PartsByPartition(session);
    if (fromExample) {
        EXPECT_FALSE(before.empty());
    }

    ASSERT_EQ(S_OK, AddPartition(session, "ImportCells", KelmEnum_ObjType_Cell, VARIANT_TRUE));
    ASSERT_EQ(S_OK, AddPartition(session, "ImportParts", KelmEnum_ObjType_PartType, VARIANT_TRUE));
    ASSERT_EQ(S_OK, AddPartition(session, "ImportSymbols", KelmEnum_ObjType_LogicSymbol, VARIANT_TRUE));
    ASSERT_EQ(S_OK, session.Save());
    ASSERT_EQ(S_OK, ReservePartition(session, "ImportCells", KelmEnum_ObjType_Cell));
    ASSERT_EQ(S_OK, ReservePartition(session, "ImportParts", KelmEnum_ObjType_PartType));

    ImportRecords records;
    for (int s = 0; s < kSymbols; ++s) {
        ASSERT_EQ(S_OK, store::SymbolFileAdd(library->QvmPath(), "ImportSymbols", Format("GATE%d", s), {"A", "B", "Y"}));
    }
    auto cellPins = [](int c) {
        StringList pins;
        for (int p = 1; p <= 2 + c % 6; ++p) pins.push_back(std::to_string(p));
        return pins;
    };
    // The cells' geometry comes from the partition's cell file.
    const std::string cellFile = library->Folder() + "/CellDBLibs/ImportCells.cel";
    for (int c = 0; c < kCells; ++c) {
        ASSERT_EQ(S_OK, store::CellDBAddCell(cellFile, Format("FP%02d", c), cellPins(c), {"pad" + std::to_string(c % 3)}));
    }
    for (int c = 0; c < kCells; ++c) {
        const KelmStruct_Cell cell = records.Cell(Format("FP%02d", c), cellPins(c), 1000 + c);
        ASSERT_EQ(S_OK, AddItemToQVM_Cell(session, "ImportCells", &cell, VARIANT_FALSE)) << c;
    }
    int adjusted = 0;
    for (int i = 0; i < kParts; ++i) {
        // Every 100th part number holds a backslash that the store cannot take.
        const std::string number = i % 100 == 7 ? Format("IMP\\%04d", i) : Format("IMP-%04d", i);
        adjusted += i % 100 == 7;
        KelmStruct_PartType part = records.Part(number, 5000 + i);
        const int first = i % kCells, second = (i + 1) % kCells;
        part.m_psarrCells = records.Cells({records.Cell(Format("FP%02d", first), cellPins(first)),
                                           records.Cell(Format("FP%02d", second), cellPins(second))});
        const std::string symbol = Format("GATE%d", i % kSymbols);
        part.m_psarrLogicSymbols = records.Symbols({records.Symbol(symbol, "ImportSymbols:" + symbol, StringList{"A", "B", "Y"})});
        ASSERT_EQ(S_OK, AddItemToQVM_Part(session, "ImportParts", &part, VARIANT_FALSE)) << number;
    }
    ASSERT_EQ(S_OK, session.Save());
    ASSERT_EQ(S_OK, UnReservePartition(session, "ImportParts", KelmEnum_ObjType_PartType));
    ASSERT_EQ(S_OK, UnReservePartition(session, "ImportCells", KelmEnum_ObjType_Cell));

    // Only the part-number warnings were logged.
    const auto lines = library->LogLines();
    EXPECT_EQ(static_cast<std::size_t>(adjusted), lines.size());
    for (const std::string& line : lines) EXPECT_NE(std::string::npos, line.find("Adjusting Part Number")) << line;

    auto fresh = library->OpenAnother("reader");
    ASSERT_TRUE(fresh->IsOpen());
    auto after = PartsByPartition(*fresh);
    EXPECT_EQ(static_cast<std::size_t>(kParts), after["ImportParts"].size());
    after.erase("ImportParts");
    EXPECT_EQ(before, after);  // the library's own part types are intact

    store::KelmPart parts(fresh->Store(), nullptr);
    for (int i : {0, 7, 499, 999}) {
        const std::string number = i % 100 == 7 ? Format("IMP_%04d", i) : Format("IMP-%04d", i);
        store::PartRecord record;
        ASSERT_EQ(S_OK, parts.GetRecord(number, record)) << number;
        EXPECT_EQ("ImportParts", record.partition);
        EXPECT_EQ(5000 + i, record.timestamp);
        const int first = i % kCells, second = (i + 1) % kCells;
        EXPECT_EQ((StringList{Format("FP%02d", first), Format("FP%02d", second)}), record.cells);
        EXPECT_EQ(cellPins(first).size() >= cellPins(second).size() ? cellPins(first) : cellPins(second), record.pins);
        ASSERT_EQ(1u, record.symbols.size());
        EXPECT_EQ(Format("ImportSymbols:GATE%d", i % kSymbols), record.symbols[0].itemSpec);
    }
    store::KelmCell cells(fresh->Store(), nullptr, nullptr);
    StringList cellNames;
    cells.GetCellsInPartition(cellNames, "ImportCells");
    EXPECT_EQ(static_cast<std::size_t>(kCells), cellNames.size());
    store::CellRecord cell;
    ASSERT_EQ(S_OK, cells.GetRecord("FP05", "ImportCells", cell));
    EXPECT_EQ(cellPins(5), cell.pins);
    EXPECT_EQ(StringList{"pad2"}, cell.padstacks);
}

// Names some system cannot store are refused with their status and a log
// line, and nothing of them reaches the library; the store refuses them too.
TEST_F(FileStoreImport, UnstorableNamesAreRefusedAndLogged) {
    // A lone surrogate has no 8-bit form on any system.
    KelmStruct_Cell cell = records.Cell("C", StringList{"1"});
    const OLECHAR lone[] = {'C', 0xD800};
    AutoBstr loneName(SysAllocStringLen(lone, 2));
    cell.m_sCellName = loneName.get();
    EXPECT_EQ(KELM_E_UNSAFE_PATH, AddItemToQVM_Cell(session, "Smd", &cell, VARIANT_FALSE));
    KelmStruct_PartType part = records.Part("R\t1");
    EXPECT_EQ(KELM_E_UNSAFE_PATH, AddItemToQVM_Part(session, "Resistors", &part, VARIANT_FALSE));
    for (const char* name : {"con", "NUL.pdb", "COM1", "Spare.", "Spare "})
        EXPECT_EQ(KELM_E_UNSAFE_PATH, AddPartition(session, name, kPart, VARIANT_TRUE)) << name;
    store::KelmSchemePartition partitions(session.Store());
    partitions.InitPartitionType(store::kPartitionTypePart);
    EXPECT_EQ(KELM_E_UNSAFE_PATH, partitions.AddPartition("PartsDBLibs\\lpt9.pdb", 1));
    EXPECT_EQ(KELM_E_UNSAFE_PATH, store::SymbolFileAdd(library.QvmPath(), "Gates", "aux", {}));
    ASSERT_EQ(S_OK, session.Save());

    const auto lines = library.LogLines();
    EXPECT_NE(lines.end(), std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
                  return line.find("Refusing Cell Name (C") != std::string::npos &&
                         line.find("): a character the library's code page cannot represent.") != std::string::npos;
              }));
    for (const std::string& line : {ErrorLine("AddItemToQVM_Part", "Refusing Part Number (R\t1): a control character."),
                                    ErrorLine("AddPartition", "Refusing Partition Name (con): a name Windows reserves for a device."),
                                    ErrorLine("AddPartition", "Refusing Partition Name (Spare.): a name ending in a space or a dot.")})
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), line)) << line;
    StringList all;
    auto fresh = library.OpenAnother("carol");
    store::KelmSchemePartition reread(fresh->Store());
    ASSERT_EQ(S_OK, reread.GetAllPartitions(all, 1));
    EXPECT_EQ(3u, all.size());
}
