// Partition creation and deletion against the store double: the existence
// check, the store's failures and the rewrite of the default scheme.
#include <gtest/gtest.h>

#include "maintenance/Partitions.h"
#include "support/EditTestLibrary.h"

using namespace kelm::testing;

namespace {

#define SP "KelmSchemePartition::"

class PartitionsTest : public ::testing::Test {
protected:
    PartitionsTest() {
        store.Fills(SP "GetAllPartitions", {"CellDBLibs\\Smd.cel", "PartsDBLibs\\Resistors.pdb"})
            .FillsString(SP "GetDefaultSearchSchemeName", "Main")
            .FillsInt(SP "GetDefaultSchemeProtection", 3)
            .Fills(SP "GetDefaultSearchScheme", {"CellDBLibs\\Smd.cel", "partsdblibs\\resistors.PDB", "SymbolLibs\\Gates",
                                                 "PartsDBLibs\\Resistors.pdb"});
    }
    HRESULT Add(const std::string& name, VARIANT_BOOL toScheme = VARIANT_TRUE,
                KelmEnum_ObjType kind = KelmEnum_ObjType_PartType) {
        return kelm::AddPartition(library.Session(), name, kind, toScheme);
    }
    HRESULT Delete(const std::string& name, KelmEnum_ObjType kind = KelmEnum_ObjType_PartType) {
        return kelm::DeletePartition(library.Session(), name, kind);
    }

    EditTestLibrary library;
    ScriptedStore& store = library.Store();
};

}  // namespace

TEST_F(PartitionsTest, UnreadablePartitionListPassesTheNegativeStatusOnAndAClosedLibraryIsRefused) {
    store.Returns(SP "GetAllPartitions", -6);
    EXPECT_EQ(-6, Add("New"));
    EXPECT_EQ(-6, Delete("Resistors"));
    EXPECT_EQ(2u, store.Calls().size());
    library.Session().Close();
    store.ClearCalls();
    EXPECT_EQ(E_FAIL, Add("New"));
    EXPECT_EQ(E_FAIL, Delete("Resistors"));
    EXPECT_TRUE(store.Calls().empty());
}

TEST_F(PartitionsTest, AddAppendsTheRelativePathToTheDefaultSchemeKeepingNameAndProtection) {
    EXPECT_EQ(S_OK, Add("New"));
    EXPECT_EQ((std::vector<std::string>{
                  SP "GetAllPartitions(1)", SP "AddPartition(PartsDBLibs\\New.pdb, 1)", SP "GetDefaultSearchSchemeName()",
                  SP "GetDefaultSchemeProtection()", SP "GetDefaultSearchScheme()", SP "DeleteScheme(Main)",
                  SP "AddSearchScheme(Main, [CellDBLibs\\Smd.cel,partsdblibs\\resistors.PDB,SymbolLibs\\Gates,"
                     "PartsDBLibs\\Resistors.pdb,PartsDBLibs\\New.pdb], 3, 1)",
              }),
              store.CallTexts());
    EXPECT_EQ(7, store.Calls()[1].state.partitionType);
}

TEST_F(PartitionsTest, AddOfAPartitionThatExistsInAnyCaseAndDeleteOfAMissingOneDoNothing) {
    EXPECT_EQ(S_FALSE, Add("RESISTORS"));
    EXPECT_EQ(std::vector<std::string>{SP "GetAllPartitions(1)"}, store.CallTexts());
    EXPECT_EQ(S_FALSE, Delete("Capacitors"));
    EXPECT_EQ(S_FALSE, Delete("Smd"));  // a cell partition, asked for as a part-type one
    EXPECT_EQ(3u, store.Calls().size());
}

TEST_F(PartitionsTest, AddLeavesTheSchemeAloneWhenNotAskedOrWhenTheAddFailed) {
    EXPECT_EQ(S_OK, Add("New", VARIANT_BOOL{1}));
    store.Returns(SP "AddPartition", -2);
    EXPECT_EQ(S_OK, Add("Other"));
    EXPECT_EQ(0, store.Count(SP "GetDefaultSearchSchemeName"));
    EXPECT_EQ(0, store.Count(SP "AddSearchScheme"));
}

TEST_F(PartitionsTest, AddCreatesADefaultSchemeWhenTheLibraryHasNone) {
    store.ReturnsOnce(SP "GetDefaultSearchSchemeName", kelm::store::KELM_E_NO_DEFAULT_SCHEME)
        .FillsString(SP "GetDefaultSearchSchemeName", "(Default)")
        .Fills(SP "GetDefaultSearchScheme", {})
        .FillsInt(SP "GetDefaultSchemeProtection", 1);
    EXPECT_EQ(S_OK, Add("New", VARIANT_TRUE, KelmEnum_ObjType_Cell));
    EXPECT_EQ((std::vector<std::string>{
                  SP "GetAllPartitions(1)", SP "AddPartition(CellDBLibs\\New.cel, 1)", SP "GetDefaultSearchSchemeName()",
                  SP "AddSearchScheme((Default), [], 1, 1)", SP "GetDefaultSearchSchemeName()",
                  SP "GetDefaultSchemeProtection()", SP "GetDefaultSearchScheme()", SP "DeleteScheme((Default))",
                  SP "AddSearchScheme((Default), [CellDBLibs\\New.cel], 1, 1)",
              }),
              store.CallTexts());
}

TEST_F(PartitionsTest, AddGivesUpOnTheSchemeWhenNoneCanBeFoundOrRead) {
    store.Returns(SP "GetDefaultSearchSchemeName", -1);
    EXPECT_EQ(S_OK, Add("New"));
    EXPECT_EQ(1, store.Count(SP "AddSearchScheme"));  // only the "(Default)" attempt
    EXPECT_EQ(0, store.Count(SP "DeleteScheme"));

    store.Returns(SP "GetDefaultSearchSchemeName", S_OK).Returns(SP "GetDefaultSearchScheme", -1);
    store.ClearCalls();
    EXPECT_EQ(S_OK, Add("Next"));
    store.Returns(SP "GetDefaultSearchScheme", S_OK).Returns(SP "GetDefaultSchemeProtection", -1);
    EXPECT_EQ(S_OK, Add("Last"));
    EXPECT_EQ(0, store.Count(SP "DeleteScheme"));
    EXPECT_EQ(0, store.Count(SP "AddSearchScheme"));
}

TEST_F(PartitionsTest, UnknownKindHandsTheEmptyPathToTheStore) {
    EXPECT_EQ(S_OK, Add("X", VARIANT_FALSE, KelmEnum_ObjType_None));
    EXPECT_EQ(SP "AddPartition(, 1)", store.Calls()[1].Text());
    EXPECT_EQ(22, store.Calls()[1].state.partitionType);
    EXPECT_EQ(S_FALSE, Delete("X", KelmEnum_ObjType_None));
}

TEST_F(PartitionsTest, DeleteDropsEveryMatchingSchemeEntry) {
    EXPECT_EQ(S_OK, Delete("Resistors"));
    EXPECT_EQ((std::vector<std::string>{
                  SP "GetAllPartitions(1)", SP "GetDefaultSearchSchemeName()", SP "GetDefaultSchemeProtection()",
                  SP "GetDefaultSearchScheme()", SP "DeletePartition(PartsDBLibs\\Resistors.pdb)", SP "DeleteScheme(Main)",
                  SP "AddSearchScheme(Main, [CellDBLibs\\Smd.cel,SymbolLibs\\Gates], 3, 1)",
              }),
              store.CallTexts());
}

TEST_F(PartitionsTest, FailedDeleteLeavesTheSchemeAndGivesZero) {
    store.Returns(SP "DeletePartition", -8);
    EXPECT_EQ(S_OK, Delete("resistors"));
    EXPECT_EQ(0, store.Count(SP "DeleteScheme"));
    EXPECT_EQ(0, store.Count(SP "AddSearchScheme"));
}

TEST_F(PartitionsTest, DeleteWithoutAReadableDefaultSchemeStillDeletesThePartition) {
    store.ReturnsOnce(SP "GetDefaultSearchSchemeName", -1);
    EXPECT_EQ(S_OK, Delete("Resistors"));
    EXPECT_EQ((std::vector<std::string>{SP "GetAllPartitions(1)", SP "GetDefaultSearchSchemeName()",
                                        SP "DeletePartition(PartsDBLibs\\Resistors.pdb)"}),
              store.CallTexts());

    store.ClearCalls();
    store.Returns(SP "GetDefaultSearchScheme", -1);
    EXPECT_EQ(S_OK, Delete("Resistors"));
    EXPECT_EQ(1, store.Count(SP "DeletePartition"));
    EXPECT_EQ(0, store.Count(SP "AddSearchScheme"));
}

TEST_F(PartitionsTest, StatusesOfTheSchemeRewriteAreIgnored) {
    store.Returns(SP "DeleteScheme", -1).Returns(SP "AddSearchScheme", -1);
    EXPECT_EQ(S_OK, Add("New"));
    EXPECT_EQ(S_OK, Delete("Resistors"));
    EXPECT_EQ(2, store.Count(SP "AddSearchScheme"));
}
