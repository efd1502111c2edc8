// Every session sees the reservations a model of the changes gives, through
// journal folds, torn appends and crashes at any write step.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include "ChildProcess.h"
#include "platform/FaultInjection.h"
#include "store/items/KelmSchemePartition.h"
#include "support/TempLibrary.h"
using namespace kelm;
using namespace kelm::store;

static std::map<std::string, std::string> Seen(KelmServer& session) {  // partition path -> holder
    std::vector<Reservation> reservations;
    EXPECT_EQ(S_OK, KelmSchemePartition(session).GetReservations(reservations)) << session.LastErrorText();
    std::map<std::string, std::string> seen;
    for (const Reservation& r : reservations) seen[r.partition] = r.holder;
    return seen;
}

TEST(ReservationJournal, RandomChangesOfTwoSessionsAgreeWithAModel) {
    kelm::testing::TempLibrary lib;
    const std::vector<std::string> paths = {"PartsDBLibs\\A.pdb", "PartsDBLibs\\B.pdb", "CellDBLibs\\C.cel"};
    lib.AddPartitions(paths);
    auto one = lib.Open(), two = lib.Open();
    std::map<std::string, std::string> model;
    std::mt19937 random(20261206);
    for (int round = 0; round < 400; ++round) {
        KelmSchemePartition partitions(random() % 2 ? *one : *two);
        const std::string path = paths[random() % paths.size()], user = random() % 2 ? "alice" : "bob";
        const bool reserve = random() % 2, free = !model.count(path);
        const HRESULT expected = free ? (reserve ? S_OK : S_FALSE) : model[path] != user ? KELM_E_RESERVED_BY_OTHER : reserve ? S_FALSE : S_OK;
        ASSERT_EQ(expected, reserve ? partitions.ReservePartition(path, user) : partitions.UnReservePartition(path, user)) << round;
        if (expected == S_OK) reserve ? void(model[path] = user) : void(model.erase(path));
        if (random() % 16 == 0) std::ofstream(lib.Path("lib.reservations.journal"), std::ios::app) << "{\"check\":\"0";  // torn
        ASSERT_EQ(model, Seen(random() % 2 ? *one : *two)) << round;
    }
    EXPECT_LT(lib.ReadFile("lib.reservations.journal").size(), 66u * 80);  // folded now and then
}

TEST(ReservationJournal, ACrashAtAnyWriteStepKeepsTheOldOrTheNewReservation) {
    platform::SetFaultStepForTesting(0);  // none in this process; the child reads its step from the environment
    static char fault[32];  // the environment keeps it
    const std::string a = "PartsDBLibs\\A.pdb", b = "PartsDBLibs\\B.pdb";
    for (const int earlier : {2, 65}) {  // changes before: the child's is appended, or folds a full journal
        int step = 1;
        for (bool done = false; !done && step < 40; ++step) {
            kelm::testing::TempLibrary lib;
            lib.AddPartitions({a, b});
            auto session = lib.Open();
            KelmSchemePartition partitions(*session);
            for (int i = 0; i < earlier; ++i) ASSERT_EQ(S_OK, i % 2 ? partitions.UnReservePartition(a, "alice") : partitions.ReservePartition(a, "alice"));
            std::snprintf(fault, sizeof fault, "KELM_FAULT_STEP=%d", step);
            putenv(fault);
            done = kelm::testing::RunStoreChild({"add-parts", lib.File(), "bob", b, "X", "0", "0"});
            putenv(std::strcpy(fault, "KELM_FAULT_STEP=0"));
            const std::string holder = Seen(*lib.Open())[b];
            EXPECT_TRUE(holder == "bob" || (!done && holder.empty())) << step;
            EXPECT_EQ(earlier % 2 ? "alice" : "", Seen(*lib.Open())[a]) << step;
            ASSERT_EQ(holder.empty() ? S_OK : KELM_E_RESERVED_BY_OTHER, partitions.ReservePartition(b, "carol")) << step;
            EXPECT_EQ(holder.empty() ? "carol" : holder, Seen(*lib.Open())[b]) << step;
        }
        EXPECT_TRUE(step > 3 && step < 40) << step;
    }
}
