#include <gtest/gtest.h>

#include "AutomationText.h"
#include "ImportRecords.h"

namespace kelmcli {
namespace {

std::vector<std::string> Pins(SAFEARRAY* array) {
    std::vector<std::string> out;
    EXPECT_EQ(SafeArrayToStrings(array, out), S_OK);
    return out;
}

TEST(ImportRecords, PartRecordCarriesEveryFieldAndRecordArraysOfTheRightType) {
    RecordTypes types;
    ASSERT_EQ(types.Load(), S_OK);
    PartRow row;
    row.partition = "Res";
    row.number = "A\\B";
    row.name = "Name";
    row.label = "R?";
    row.type = "Resistor";
    row.description = "D";
    row.pins = {"1", "2"};
    row.cells = {{"R0603", {"1", "2"}}, {"R0805", {"1", "2", "3"}}};
    row.symbols = {{"Gates:RES", "RES", {"A", "B"}}};
    PartRecord record;
    ASSERT_EQ(record.Build(row, 1234, types), S_OK);
    KelmStruct_PartType& r = record.Get();
    EXPECT_EQ(r.m_nTimeStamp, 1234);  // no timestamp in the row: the default
    EXPECT_EQ(BstrToUtf8(r.m_sPartNumber), "A\\B");
    EXPECT_EQ(BstrToUtf8(r.m_sPartitionName), "Res");
    EXPECT_EQ(BstrToUtf8(r.m_sPartLabel), "R?");
    EXPECT_EQ(BstrToUtf8(r.m_sPartType), "Resistor");
    EXPECT_EQ(Pins(r.m_psarrPins), (std::vector<std::string>{"1", "2"}));

    VARTYPE vt = VT_EMPTY;
    ASSERT_EQ(SafeArrayGetVartype(r.m_psarrCells, &vt), S_OK);
    EXPECT_EQ(vt, VT_RECORD);
    IRecordInfo* info = nullptr;
    ASSERT_EQ(SafeArrayGetRecordInfo(r.m_psarrCells, &info), S_OK);
    GUID guid{};
    info->GetGuid(&guid);
    info->Release();
    EXPECT_TRUE(IsEqualGUID(guid, GUID_KelmStruct_Cell));
    LONG upper = -1;
    SafeArrayGetUBound(r.m_psarrCells, 1, &upper);
    EXPECT_EQ(upper, 1);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(r.m_psarrCells, &data), S_OK);
    auto* cells = static_cast<KelmStruct_Cell*>(data);
    EXPECT_EQ(BstrToUtf8(cells[1].m_sCellName), "R0805");
    EXPECT_EQ(Pins(cells[1].m_psarrPins).size(), 3u);
    SafeArrayUnaccessData(r.m_psarrCells);

    ASSERT_EQ(SafeArrayAccessData(r.m_psarrLogicSymbols, &data), S_OK);
    auto* symbols = static_cast<KelmStruct_LogicSymbol*>(data);
    EXPECT_EQ(BstrToUtf8(symbols[0].m_sItemSpec), "Gates:RES");
    EXPECT_EQ(BstrToUtf8(symbols[0].m_sSymbolName), "RES");
    EXPECT_EQ(BstrToUtf8(symbols[0].m_sPartitionName), "Gates");
    EXPECT_EQ(Pins(symbols[0].m_psarrPins), (std::vector<std::string>{"A", "B"}));
    SafeArrayUnaccessData(r.m_psarrLogicSymbols);
}

TEST(ImportRecords, RebuildingAndClearingLeaveNoStaleValues) {
    RecordTypes types;
    ASSERT_EQ(types.Load(), S_OK);
    PartRow first;
    first.number = "P1";
    first.timestamp = 9;
    first.cells = {{"C", {"1"}}};
    PartRecord record;
    ASSERT_EQ(record.Build(first, 0, types), S_OK);
    PartRow second;
    second.number = "P2";
    ASSERT_EQ(record.Build(second, 5, types), S_OK);
    EXPECT_EQ(BstrToUtf8(record.Get().m_sPartNumber), "P2");
    EXPECT_EQ(record.Get().m_nTimeStamp, 5);
    // An empty list is an empty array, never a null one.
    ASSERT_NE(record.Get().m_psarrCells, nullptr);
    LONG upper = 0;
    SafeArrayGetUBound(record.Get().m_psarrCells, 1, &upper);
    EXPECT_EQ(upper, -1);
    record.Clear();
    EXPECT_EQ(record.Get().m_sPartNumber, nullptr);
    EXPECT_EQ(record.Get().m_psarrCells, nullptr);
}

TEST(ImportRecords, CellRecordTakesThePartitionGiven) {
    CellRow row;
    row.name = "R0603";
    row.pins = {"1", "2"};
    row.timestamp = 77;
    CellRecord record;
    ASSERT_EQ(record.Build(row, "Smd", 0), S_OK);
    EXPECT_EQ(BstrToUtf8(record.Get().m_sCellName), "R0603");
    EXPECT_EQ(BstrToUtf8(record.Get().m_sPartitionName), "Smd");
    EXPECT_EQ(record.Get().m_nTimeStamp, 77);
    EXPECT_EQ(Pins(record.Get().m_psarrPins), (std::vector<std::string>{"1", "2"}));
}

}  // namespace
}  // namespace kelmcli
