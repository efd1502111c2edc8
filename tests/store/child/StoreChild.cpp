// kelm_store_child: one store session in its own process, for the tests. The exit code is 0 when every store call
// succeeded.
//   add-parts <qvm> <user> <partition> <prefix> <n> [rounds]   reserve, then per round add n parts and save
//   edit-and-save <qvm> <fault-step>   fixed edits, saved with a fault at that write step; <qvm>.done once saved
//   lock-and-die <qvm>                 take the library lock, end without releasing it
//   lock-stress <lock> <marker> <rounds> <seed> <index>
//       per round: take the lock (forced pauses in its takeover), create the marker exclusively inside
//       (exit 3 when it is there: two holders at once), remove it, leave the lock stale (every fourth
//       round but the last releases it)
//   celldb-add <cel> <prefix> <n>      add cells <prefix>0 .. <prefix>n-1, one call each
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include "platform/AtomicFile.h"
#include "store/file/FileStore.h"
#include "store/file/LibraryLock.h"
#include "store/file/LibraryTools.h"
#include "store/format/LibraryFiles.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
using namespace kelm;
using namespace kelm::store;
namespace {
int Report(const char* what, HRESULT status, const std::string& error) {
    std::printf("%s: 0x%08X %s\n", what, static_cast<unsigned>(status), error.c_str());
    return status == S_OK || status == S_FALSE ? 0 : 1;
}
#define CHILD_CHECK(what, call)                                          \
    if (const HRESULT status = (call); status != S_OK) return Report(what, status, server.LastErrorText())
int AddParts(const std::string& qvm, const std::string& user, const std::string& partition, const std::string& prefix,
             int count, int rounds) {
    KelmServer server(nullptr, CreateFileStoreBackend());
    CHILD_CHECK("load", server.Load(qvm.c_str(), 0));
    KelmSchemePartition partitions(server);
    partitions.InitPartitionType(kPartitionTypePart);
    if (const HRESULT reserved = partitions.ReservePartition(partition, user); FAILED(reserved))
        return Report("reserve", reserved, server.LastErrorText());
    KelmPart parts(server, nullptr);
    parts.SetWorkingUserName(user);
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < count; ++i)
            CHILD_CHECK("add", parts.Add(partition, {"1"}, prefix + std::to_string(round) + "-" + std::to_string(i), nullptr, 0, 0));
        CHILD_CHECK("save", server.Save(nullptr, 0, 0));
    }
    return Report("add-parts", S_OK, server.LastErrorText());
}
int EditAndSave(const std::string& qvm, int step) {
    KelmServer server(nullptr, CreateFileStoreBackend());
    CHILD_CHECK("load", server.Load(qvm.c_str(), 0));
    KelmSchemePartition partitions(server);
    KelmPart parts(server, nullptr);
    parts.SetWorkingUserName("alice");
    KelmCell cells(server, nullptr, nullptr);
    cells.SetWorkingUserName("alice");
    for (int i = 0; i < 20; ++i) {
        const std::string number = "N" + std::to_string(i);
        CHILD_CHECK("add", parts.Add("Resistors", {"1", "2"}, number, nullptr, 0, 0));
        parts.SetDesc("new part " + std::to_string(i), number);
    }
    CHILD_CHECK("delete part", parts.Delete("R1"));
    CHILD_CHECK("add cell", cells.Add({"1", "2"}, "NEWCELL", "Smd", 0, 5, 0, 0));
    CHILD_CHECK("add partition", partitions.AddPartition("PartsDBLibs\\Added.pdb", 1));
    CHILD_CHECK("delete partition", partitions.DeletePartition("PartsDBLibs\\Caps.pdb"));
    CHILD_CHECK("scheme", partitions.AddSearchScheme("Extra", {"PartsDBLibs\\Added.pdb"}, 2, 0));
    platform::SetFaultStepForTesting(step);
    const HRESULT saved = server.Save(nullptr, 0, 0);
    platform::SetFaultStepForTesting(0);
    if (saved == S_OK) std::ofstream(platform::NativePath(qvm + ".done")) << "done\n";
    return Report("save", saved, server.LastErrorText());
}
int LockStress(const std::string& lockFile, const std::string& marker, int rounds, unsigned long seed, int index) {
    LibraryLock::SetMaxWaitMilliseconds(120000);
    LibraryLock::SetLongestPauseMilliseconds(4);
    for (int round = 0; round < rounds; ++round) {
        platform::SetPausesForTesting(static_cast<unsigned>(seed * 7919 + round * 31 + index),
                                      (round + index) % static_cast<int>(TakeoverStep::Count), 2);
        LibraryLock lock;
        std::string error;
        // Only two holders at once fail the run (exit 3); a take that the file system refused for a moment (a busy
        // Wine server) is tried again.
        HRESULT acquired = E_FAIL;
        for (int attempt = 0; attempt < 5 && (acquired = lock.Acquire(lockFile, error)) != S_OK; ++attempt)
            std::printf("round %d, attempt %d: %s\n", round, attempt, error.c_str());
        if (acquired != S_OK) return 1;
        if (platform::CreateFileExclusive(marker, std::to_string(index), error, platform::Flush::No) != platform::FileResult::Ok) {
            std::printf("round %d: another holder is inside (%s)\n", round, error.c_str());
            return 3;
        }
        platform::PausePoint(-1);
        for (int removals = 0; platform::RemoveFile(marker) != platform::FileResult::Ok; ++removals) {
            if (removals == 50) return 4;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (round % 4 == 3 && round + 1 < rounds) lock.Release();
        else lock.AbandonForTesting();
    }
    return 0;
}
}  // namespace
int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "add-parts" && (argc == 7 || argc == 8))
        return AddParts(argv[2], argv[3], argv[4], argv[5], std::atoi(argv[6]), argc == 8 ? std::atoi(argv[7]) : 1);
    if (command == "edit-and-save" && argc == 4) return EditAndSave(argv[2], std::atoi(argv[3]));
    if (command == "lock-and-die" && argc == 3) {
        static LibraryLock lock;
        std::string error;
        if (lock.Acquire(LibraryLockFile(argv[2]), error) != S_OK) return Report("lock", E_FAIL, error);
        std::_Exit(0);  // the lock file stays behind
    }
    if (command == "lock-stress" && argc == 7)
        return LockStress(argv[2], argv[3], std::atoi(argv[4]), std::strtoul(argv[5], nullptr, 10), std::atoi(argv[6]));
    if (command == "celldb-add" && argc == 5) {
        for (int i = 0; i < std::atoi(argv[4]); ++i) {
            std::string error;
            if (const HRESULT added = CellDBAddCell(argv[2], argv[3] + std::to_string(i), {"1"}, {}, &error); added != S_OK)
                return Report("celldb add", added, error);
        }
        return 0;
    }
    std::fprintf(stderr, "usage: see the comment at the top of StoreChild.cpp\n");
    return 2;
}
