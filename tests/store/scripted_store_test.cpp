// The scriptable store double answers and records as tests rely on.
#include <gtest/gtest.h>

#include "store/items/KelmCell.h"
#include "store/items/KelmSchemePartition.h"
#include "support/ScriptedStore.h"

using kelm::testing::ScriptedStore;

TEST(ScriptedStore, AnswersQueuedThenKeyedThenStandingStatuses) {
    auto double_ = std::make_shared<ScriptedStore>();
    kelm::store::KelmServer server(nullptr, double_);
    kelm::store::KelmSchemePartition partitions(server);
    double_->ReturnsOnce("KelmSchemePartition::ReservePartition", 1)
        .ReturnsFor("KelmSchemePartition::ReservePartition", "A", static_cast<HRESULT>(0x80004005))
        .Returns("KelmSchemePartition::ReservePartition", -7);
    EXPECT_EQ(1, partitions.ReservePartition("A", "u"));
    EXPECT_EQ(static_cast<HRESULT>(0x80004005), partitions.ReservePartition("A", "u"));
    EXPECT_EQ(-7, partitions.ReservePartition("B", "u"));
    EXPECT_EQ(3, double_->Count("KelmSchemePartition::ReservePartition"));
}

TEST(ScriptedStore, RecordsArgumentsAndObjectState) {
    auto double_ = std::make_shared<ScriptedStore>();
    kelm::store::KelmServer server(nullptr, double_);
    kelm::store::KelmCell cells(server, nullptr, nullptr);
    cells.SetWorkingUserName("alice");
    double_->FillsFor("KelmCell::GetPinNames", "C1", {"1", "2"});
    kelm::StringList pins;
    EXPECT_EQ(S_OK, cells.GetPinNames(pins, "C1"));
    EXPECT_EQ((kelm::StringList{"1", "2"}), pins);
    EXPECT_EQ(S_OK, cells.AddPadstack("P", "C1", nullptr));
    ASSERT_EQ(2u, double_->Calls().size());
    EXPECT_EQ("KelmCell::AddPadstack(P, C1, null)", double_->Calls()[1].Text());
    EXPECT_EQ("alice", double_->Calls()[1].state.workingUser);
    EXPECT_FALSE(double_->Calls()[1].state.partition.has_value());
}

TEST(ScriptedStore, EmptyBackendFailsCleanly) {
    kelm::store::KelmServer server(nullptr, std::make_shared<kelm::store::StoreBackend>());
    EXPECT_EQ(kelm::store::KELM_E_STORE_UNAVAILABLE, server.Init());
    EXPECT_EQ(kelm::store::KELM_E_STORE_UNAVAILABLE, server.Load("x.qvm", 0));
}
