// The file-backed padstack database: CPadstackDB loads a padstack file,
// finds and creates padstacks, and saves the file by atomic replacement.
#include <memory>
#include <vector>

#include "platform/AtomicFile.h"
#include "store/db/PadstackFile.h"
#include "store/items/StoreStatus.h"

namespace kelm::padstackdb {
namespace {
class FilePadstackDB : public PadstackDBImpl {
public:
    int Init() override {
        m_padstacks.clear();
        m_path.clear();
        m_loaded = false;
        return 0;
    }
    int Load(const std::string& path, int) override {
        std::string text, error;
        std::vector<PadstackData> padstacks;
        if (path.empty()) return store::KELM_E_BAD_ARGUMENT;
        if (platform::ReadWholeFile(path, text, error) != platform::FileResult::Ok) return store::KELM_E_IO;
        if (!store::ParsePadstackFile(text, path, padstacks, error)) return store::KELM_E_CORRUPT;
        m_padstacks.clear();
        for (auto& padstack : padstacks) m_padstacks.push_back(std::make_shared<PadstackData>(std::move(padstack)));
        m_path = path;
        m_loaded = true;
        return 0;
    }
    int FindPadstack(CPadstackDBPadstack& record, const std::string& name) override {
        if (!m_loaded) return store::KELM_E_NOT_LOADED;
        for (const auto& padstack : m_padstacks) {
            if (padstack->name == name) {
                record.Bind(padstack);
                return 0;
            }
        }
        return store::KELM_E_NO_SUCH_ITEM;
    }
    int NewPadstack(CPadstackDBPadstack& record, const std::string& name) override {
        if (!m_loaded) return store::KELM_E_NOT_LOADED;
        if (name.empty()) return store::KELM_E_BAD_ARGUMENT;
        for (const auto& padstack : m_padstacks)
            if (padstack->name == name) return store::kItemExistsOrMissing;
        auto padstack = std::make_shared<PadstackData>();
        padstack->name = name;
        m_padstacks.push_back(padstack);
        record.Bind(padstack);
        return 0;
    }
    int Save(const char* path) override {
        if (!m_loaded) return store::KELM_E_NOT_LOADED;
        std::vector<PadstackData> padstacks;
        for (const auto& padstack : m_padstacks) padstacks.push_back(*padstack);
        std::string error;
        const std::string target = path && *path ? std::string(path) : m_path;
        if (platform::WriteFileAtomic(target, store::SerializePadstackFile(std::move(padstacks)), error) !=
            platform::FileResult::Ok)
            return store::KELM_E_IO;
        return 0;
    }
    void Close() override { Init(); }

private:
    std::vector<std::shared_ptr<PadstackData>> m_padstacks;
    std::string m_path;
    bool m_loaded = false;
};
}  // namespace

std::unique_ptr<PadstackDBImpl> CreateFilePadstackDB() { return std::make_unique<FilePadstackDB>(); }

}  // namespace kelm::padstackdb
