// The queries through a Kelm object on a copy of the example library, read
// by the file-backed store.
#include <gtest/gtest.h>

#include <filesystem>

#include "api/Kelm.h"
#include "query/QueryTestSession.h"

namespace kelm {
namespace {

using testing::Bstr;
using testing::Strings;
using testing::Text;
using Entries = std::vector<std::string>;

class ExampleLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(std::filesystem::path(KELM_SOURCE_DIR) / "examples" / "library", folder.Root(),
                              std::filesystem::copy_options::recursive);
        ASSERT_EQ(CKelm::CreateInstance(nullptr, IID_IKelm, reinterpret_cast<void**>(&kelm)), S_OK);
        AutoBstr file = Bstr((folder.Root() / "Demo.qvm").string());
        ASSERT_EQ(kelm->Kelmstore_Open(file.get(), nullptr, VARIANT_TRUE), S_OK);
    }
    void TearDown() override {
        if (kelm) {
            kelm->Kelmstore_Close();
            kelm->Release();
        }
    }
    std::string Folder() { return static_cast<CKelm*>(kelm)->Session().LibraryFolder(); }

    Entries Partitions(const char* scheme, KelmEnum_ObjType kind, VARIANT_BOOL names, VARIANT_BOOL removeExt) {
        AutoBstr name = Bstr(scheme);
        AutoSafeArray result;
        EXPECT_EQ(kelm->GetPartitionList_SearchScheme(name.get(), kind, names, removeExt, result.Out()), S_OK);
        return result.get() ? Strings(result.get()) : Entries{};
    }
    Entries Items(const char* partition, const char* filter, KelmEnum_ObjType kind) {
        AutoBstr p = Bstr(partition), f = Bstr(filter);
        AutoSafeArray result;
        EXPECT_EQ(kelm->GetPartitionItems(p.get(), f.get(), kind, result.Out()), S_OK);
        return result.get() ? Strings(result.get()) : Entries{};
    }
    long Count(const char* partition, const char* filter, KelmEnum_ObjType kind) {
        AutoBstr p = Bstr(partition), f = Bstr(filter);
        long count = -1;
        EXPECT_EQ(kelm->GetPartitionItemsCount(p.get(), f.get(), kind, &count), S_OK);
        return count;
    }
    std::pair<HRESULT, std::string> Find(const char* item, KelmEnum_ObjType kind) {
        AutoBstr i = Bstr(item);
        BSTR out = nullptr;
        const HRESULT hr = kelm->FindItemPartition(i.get(), kind, &out);
        AutoBstr owned(out);
        return {hr, out ? Text(out) : "<none>"};
    }
    VARIANT_BOOL Exists(const char* partition, const char* excluded, const char* item, KelmEnum_ObjType kind) {
        AutoBstr p = Bstr(partition), e = Bstr(excluded), i = Bstr(item);
        VARIANT_BOOL exists = 5;
        EXPECT_EQ(kelm->DoesItemExist(p.get(), e.get(), i.get(), kind, &exists), S_OK);
        return exists;
    }
    long Pins(const char* partition, const char* item, KelmEnum_ObjType kind) {
        AutoBstr p = Bstr(partition), i = Bstr(item);
        long count = -1;
        EXPECT_EQ(kelm->GetPinCount(p.get(), i.get(), kind, &count), S_OK);
        return count;
    }

    testing::TempFolder folder;
    IKelm* kelm = nullptr;
};

TEST_F(ExampleLibrary, SchemesAndTheirPartitions) {
    AutoBstr name;
    ASSERT_EQ(kelm->GetSearchScheme_Default(name.Out()), S_OK);
    EXPECT_EQ(Text(name.get()), "(Default)");
    AutoSafeArray all;
    ASSERT_EQ(kelm->GetSearchScheme_All(all.Out()), S_OK);
    EXPECT_EQ(Strings(all.get()), (Entries{"(Default)", "Smd only"}));

    EXPECT_EQ(Partitions("", KelmEnum_ObjType_Cell, VARIANT_TRUE, VARIANT_FALSE), (Entries{"Smd", "Thru"}));
    EXPECT_EQ(Partitions("Smd only", KelmEnum_ObjType_PartType, VARIANT_TRUE, VARIANT_TRUE),
              (Entries{"Resistors", "Capacitors"}));
    EXPECT_EQ(Partitions("", KelmEnum_ObjType_Cell, VARIANT_FALSE, VARIANT_FALSE),
              (Entries{Folder() + "CellDBLibs\\Smd.cel", Folder() + "CellDBLibs\\Thru.cel"}));
    EXPECT_EQ(Partitions("", KelmEnum_ObjType_Cell, 1, VARIANT_TRUE),
              (Entries{Folder() + "CellDBLibs\\Smd", Folder() + "CellDBLibs\\Thru"}));
    EXPECT_EQ(Partitions("", KelmEnum_ObjType_LogicSymbol, VARIANT_FALSE, VARIANT_TRUE),
              (Entries{Folder() + "SymbolLibs\\Gates", Folder() + "SymbolLibs\\Passives"}));
    AutoSafeArray viaDefault;
    ASSERT_EQ(kelm->GetPartitionList_DefaultSearchScheme(KelmEnum_ObjType_PartType, VARIANT_TRUE, VARIANT_TRUE,
                                                         viaDefault.Out()), S_OK);
    EXPECT_EQ(Strings(viaDefault.get()), (Entries{"Resistors", "Capacitors", "Logic"}));
}

TEST_F(ExampleLibrary, ItemsCountsAndFilters) {
    EXPECT_EQ(Items("Resistors", "*", KelmEnum_ObjType_PartType), (Entries{"R-0603-10K", "R-0805-1K"}));
    EXPECT_EQ(Items("Resistors", "r-08*", KelmEnum_ObjType_PartType), (Entries{"R-0805-1K"}));
    EXPECT_TRUE(Items("Resistors", "", KelmEnum_ObjType_PartType).empty());
    EXPECT_EQ(Count("Resistors", "", KelmEnum_ObjType_PartType), 2);
    EXPECT_EQ(Count("Resistors", "*", KelmEnum_ObjType_PartType), 2);
    EXPECT_EQ(Count("Resistors", "**", KelmEnum_ObjType_PartType), 2);
    EXPECT_EQ(Count("Smd", "res*", KelmEnum_ObjType_Cell), 2);
    EXPECT_EQ(Items("Gates", "n*", KelmEnum_ObjType_LogicSymbol), (Entries{"Gates:NAND2"}));
    EXPECT_EQ(Items("Gates", "*", KelmEnum_ObjType_LogicSymbol), (Entries{"Gates:INV", "Gates:NAND2"}));
    EXPECT_EQ(Count("Gates", "", KelmEnum_ObjType_LogicSymbol), 2);
}

TEST_F(ExampleLibrary, LookupsAndExistence) {
    EXPECT_EQ(Find("RES0603", KelmEnum_ObjType_Cell), std::make_pair(S_OK, std::string("Smd")));
    EXPECT_EQ(Find("DIP14", KelmEnum_ObjType_Cell), std::make_pair(S_OK, std::string("Thru")));
    EXPECT_EQ(Find("SN74HC00", KelmEnum_ObjType_PartType), std::make_pair(S_OK, std::string("Logic")));
    EXPECT_EQ(Find("NAND2", KelmEnum_ObjType_LogicSymbol), std::make_pair(S_OK, std::string("Gates")));
    EXPECT_EQ(Find("NOPE", KelmEnum_ObjType_PartType), std::make_pair(E_FAIL, std::string("<none>")));
    EXPECT_EQ(Find("NOPE", KelmEnum_ObjType_Cell), std::make_pair(E_FAIL, std::string("<none>")));
    EXPECT_EQ(Find("NOPE", KelmEnum_ObjType_LogicSymbol), std::make_pair(E_FAIL, std::string("<none>")));

    EXPECT_EQ(Exists("", "", "DIP14", KelmEnum_ObjType_Cell), VARIANT_TRUE);
    EXPECT_EQ(Exists("", "Thru", "DIP14", KelmEnum_ObjType_Cell), VARIANT_FALSE);
    EXPECT_EQ(Exists("", "thru", "DIP14", KelmEnum_ObjType_Cell), VARIANT_TRUE);
    EXPECT_EQ(Exists("Resistors", "", "R-0805-1K", KelmEnum_ObjType_PartType), VARIANT_TRUE);
    EXPECT_EQ(Exists("resistors", "", "R-0805-1K", KelmEnum_ObjType_PartType), VARIANT_FALSE);
    EXPECT_EQ(Exists("", "", "NOPE", KelmEnum_ObjType_PartType), VARIANT_FALSE);
    VARIANT_BOOL exists = 5;
    EXPECT_EQ(kelm->DoesItemExist(nullptr, nullptr, nullptr, KelmEnum_ObjType_LogicSymbol, &exists), E_NOTIMPL);
}

TEST_F(ExampleLibrary, PinsAndCellUsage) {
    EXPECT_EQ(Pins("", "SOIC14", KelmEnum_ObjType_Cell), 14);
    EXPECT_EQ(Pins("Anything", "SOIC14", KelmEnum_ObjType_Cell), 14);
    EXPECT_EQ(Pins("", "SN74HC00", KelmEnum_ObjType_PartType), 14);
    EXPECT_EQ(Pins("Gates", "NAND2", KelmEnum_ObjType_LogicSymbol), 3);

    AutoBstr cell = Bstr("RES0603");
    AutoSafeArray parts;
    ASSERT_EQ(kelm->GetPartsUsingThisCell(cell.get(), parts.Out()), S_OK);
    Entries used = Strings(parts.get());
    std::sort(used.begin(), used.end());
    EXPECT_EQ(used, (Entries{"R-0603-10K", "R-0805-1K"}));
    AutoBstr soic = Bstr("SOIC14");
    AutoSafeArray partitions;
    ASSERT_EQ(kelm->GetPartitionsStoringThisCell(soic.get(), partitions.Out()), S_OK);
    EXPECT_EQ(Strings(partitions.get()), Entries{"Smd"});
    AutoBstr lonely = Bstr("QFN16");
    ASSERT_EQ(kelm->GetPartsUsingThisCell(lonely.get(), parts.Out()), S_OK);
    EXPECT_TRUE(Strings(parts.get()).empty());
}

}  // namespace
}  // namespace kelm
