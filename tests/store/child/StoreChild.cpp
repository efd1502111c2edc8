// kelm_store_child: one store session in its own process, for the tests.
//   reserve  <qvm> <partition> <user>             reserve, print the status
//   add-parts <qvm> <user> <partition> <prefix> <n> [rounds]
//            reserve the partition, then per round add n parts and save
//   edit-and-save <qvm> <fault-step>
//            a fixed set of edits, saved with fault injection at that step;
//            writes <qvm>.done when the save returned 0
//   lock-and-die <qvm>                            take the library lock, end without releasing it
//   lock-stress <lock> <marker> <rounds> <seed> <index>
//            per round: take the lock (with forced pauses in its takeover),
//            create the marker exclusively while inside (exit 3 when it is
//            there already: two holders at once), remove it, then leave the
//            lock stale for the next one to take over (every fourth round
//            but the last releases it instead)
//   celldb-add <cel> <prefix> <n>                 add cells <prefix>0 .. <prefix>n-1, one call each
// The exit code is 0 when every store call succeeded.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "platform/AtomicFile.h"
#include "store/file/FileStore.h"
#include "store/items/KelmCell.h"
#include "store/items/KelmPart.h"
#include "store/items/KelmSchemePartition.h"
#include "store/file/LibraryLock.h"
#include "store/file/LibraryTools.h"
#include "store/format/LibraryFiles.h"

using namespace kelm;
using namespace kelm::store;

namespace {
int Report(const char* what, HRESULT status, KelmServer& server) {
    std::printf("%s: 0x%08X %s\n", what, static_cast<unsigned>(status), server.LastErrorText().c_str());
    return status == S_OK || status == 1 ? 0 : 1;
}

int EditAndSave(const std::string& qvm, int step) {
    KelmServer server(nullptr, CreateFileStoreBackend());
    if (server.Load(qvm.c_str(), 0) != S_OK) return Report("load", E_FAIL, server);
    KelmSchemePartition partitions(server);
    KelmPart parts(server, nullptr);
    parts.SetWorkingUserName("alice");
    KelmCell cells(server, nullptr, nullptr);
    cells.SetWorkingUserName("alice");
    for (int i = 0; i < 20; ++i) {
        const std::string number = "N" + std::to_string(i);
        if (parts.Add("Resistors", {"1", "2"}, number, nullptr, 0, 0) != S_OK) return Report("add", E_FAIL, server);
        parts.SetDesc("new part " + std::to_string(i), number);
    }
    if (parts.Delete("R1") != S_OK) return Report("delete part", E_FAIL, server);
    if (cells.Add({"1", "2"}, "NEWCELL", "Smd", 0, 5, 0, 0) != S_OK) return Report("add cell", E_FAIL, server);
    if (partitions.AddPartition("PartsDBLibs\\Added.pdb", 1) != S_OK) return Report("add partition", E_FAIL, server);
    if (partitions.DeletePartition("PartsDBLibs\\Caps.pdb") != S_OK) return Report("delete partition", E_FAIL, server);
    if (partitions.AddSearchScheme("Extra", {"PartsDBLibs\\Added.pdb"}, 2, 0) != S_OK) return Report("scheme", E_FAIL, server);
    platform::SetFaultStepForTesting(step);
    const HRESULT saved = server.Save(nullptr, 0, 0);
    platform::SetFaultStepForTesting(0);
    if (saved == S_OK) std::ofstream(platform::NativePath(qvm + ".done")) << "done\n";
    return Report("save", saved, server);
}
int LockStress(const std::string& lockFile, const std::string& marker, int rounds, unsigned long seed, int index) {
    LibraryLock::SetMaxWaitMilliseconds(120000);
    LibraryLock::SetLongestPauseMilliseconds(4);
    const int steps = static_cast<int>(TakeoverStep::Count);
    for (int round = 0; round < rounds; ++round) {
        platform::SetPausesForTesting(static_cast<unsigned>(seed * 7919 + round * 31 + index), (round + index) % steps, 2);
        LibraryLock lock;
        std::string error;
        // Only two holders at once fail the run (exit 3); a take that the
        // file system refused for a moment (a busy Wine server) is tried again.
        HRESULT acquired = E_FAIL;
        for (int attempt = 0; attempt < 5 && (acquired = lock.Acquire(lockFile, error)) != S_OK; ++attempt)
            std::printf("round %d, attempt %d: %s\n", round, attempt, error.c_str());
        if (acquired != S_OK) return 1;
        if (platform::CreateFileExclusive(marker, std::to_string(index), error, platform::Flush::No) !=
            platform::FileResult::Ok) {
            std::printf("round %d: another holder is inside (%s)\n", round, error.c_str());
            return 3;
        }
        platform::PausePoint(-1);
        int removals = 0;
        while (platform::RemoveFile(marker) != platform::FileResult::Ok)
            if (++removals == 50) return 4;
            else std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (round % 4 == 3 && round + 1 < rounds) lock.Release();
        else lock.AbandonForTesting();
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "add-parts" && (argc == 7 || argc == 8)) {
        const std::string user = argv[3], partition = argv[4], prefix = argv[5];
        const int count = std::atoi(argv[6]);
        const int rounds = argc == 8 ? std::atoi(argv[7]) : 1;
        KelmServer server(nullptr, CreateFileStoreBackend());
        if (server.Load(argv[2], 0) != S_OK) return Report("load", E_FAIL, server);
        KelmSchemePartition partitions(server);
        partitions.InitPartitionType(kPartitionTypePart);
        const HRESULT reserved = partitions.ReservePartition(partition, user);
        if (FAILED(reserved)) return Report("reserve", reserved, server);
        KelmPart parts(server, nullptr);
        parts.SetWorkingUserName(user);
        for (int round = 0; round < rounds; ++round) {
            for (int i = 0; i < count; ++i) {
                const std::string number = prefix + std::to_string(round) + "-" + std::to_string(i);
                const HRESULT added = parts.Add(partition, {"1"}, number, nullptr, 0, 0);
                if (added != S_OK) return Report("add", added, server);
            }
            const HRESULT saved = server.Save(nullptr, 0, 0);
            if (saved != S_OK) return Report("save", saved, server);
        }
        return Report("add-parts", S_OK, server);
    }
    if (command == "edit-and-save" && argc == 4) return EditAndSave(argv[2], std::atoi(argv[3]));
    if (command == "lock-and-die" && argc == 3) {
        const std::string qvm = argv[2];
        const std::string lockFile = LibraryLockFile(qvm);
        static LibraryLock lock;
        std::string error;
        if (lock.Acquire(lockFile, error) != S_OK) {
            std::printf("%s\n", error.c_str());
            return 1;
        }
        std::_Exit(0);  // the lock file stays behind
    }
    if (command == "lock-stress" && argc == 7) return LockStress(argv[2], argv[3], std::atoi(argv[4]),
                                                                 std::strtoul(argv[5], nullptr, 10), std::atoi(argv[6]));
    if (command == "celldb-add" && argc == 5) {
        for (int i = 0; i < std::atoi(argv[4]); ++i) {
            std::string error;
            const HRESULT added = CellDBAddCell(argv[2], argv[3] + std::to_string(i), {"1"}, {}, &error);
            if (added != S_OK) {
                std::printf("celldb add: 0x%08X %s\n", static_cast<unsigned>(added), error.c_str());
                return 1;
            }
        }
        return 0;
    }
    std::fprintf(stderr, "usage: see the comment at the top of StoreChild.cpp\n");
    return 2;
}
