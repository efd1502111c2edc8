#include "store/db/PadstackFile.h"

#include <algorithm>

#include "store/format/JsonLines.h"
#include "store/items/NameIndex.h"

namespace kelm::store {

bool ParsePadstackFile(const std::string& text, const std::string& fileName,
                       std::vector<padstackdb::PadstackData>& padstacks, std::string& error) {
    padstacks.clear();
    NameIndex names;
    const auto nameOf = [](const padstackdb::PadstackData& padstack) -> std::string_view { return padstack.name; };
    return jsonl::ReadLines(text, "padstacks", fileName, [&](jsonl::Cursor& cursor) {
        padstackdb::PadstackData padstack;
        if (!cursor.BeginObject()) return false;
        std::string_view key;
        while (cursor.NextKey(key)) {
            bool ok = true;
            std::int32_t type = 0;
            if (key == "name") ok = cursor.String(padstack.name);
            else if (key == "type") { ok = cursor.Int32(type); padstack.type = type; }
            else if (key == "time") ok = cursor.Int32(padstack.timestamp);
            else return cursor.UnknownKey(key);
            if (!ok) return false;
        }
        if (!cursor.Error().empty()) return false;
        if (padstack.name.empty()) return cursor.Fail("a padstack without a name");
        if (names.Contains(padstacks, padstack.name, nameOf)) return cursor.Fail("padstack \"" + padstack.name + "\" listed twice");
        padstacks.push_back(std::move(padstack));
        return true;
    }, error);
}

std::string SerializePadstackFile(std::vector<padstackdb::PadstackData> padstacks) {
    std::sort(padstacks.begin(), padstacks.end(),
              [](const padstackdb::PadstackData& a, const padstackdb::PadstackData& b) { return a.name < b.name; });
    std::string out = jsonl::Header("padstacks", padstacks.size());
    for (const auto& padstack : padstacks)
        jsonl::LineWriter(out).Str("name", padstack.name).Int("type", padstack.type).Int("time", padstack.timestamp).End();
    return out;
}

}  // namespace kelm::store
