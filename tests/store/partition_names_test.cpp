// Partition names in both forms, the names that must never reach the file system, and the names every system can
// store.
#include <gtest/gtest.h>
#include <vector>
#include "platform/CodePage.h"
#include "store/format/PartitionNames.h"
#include "store/items/StoreBackend.h"
using namespace kelm::store;

TEST(PartitionNames, PathsAndBareNamesNameOnePartitionInsideTheFolder) {
    const struct {
        const char* text;
        int working;  // partition type a bare name takes
        HRESULT status;
        int type;
        const char* name;
    } kCases[] = {
        {"PartsDBLibs\\Resistors.pdb", kPartitionTypeNone, S_OK, kPartitionTypePart, "Resistors"},
        {"celldblibs/Smd.CEL", kPartitionTypePart, S_OK, kPartitionTypeCell, "Smd"},
        {"CellDBLibs\\Smd", kPartitionTypeNone, S_OK, kPartitionTypeCell, "Smd"},  // folder only
        {"CellDBLibs\\Smd.cel.cel", kPartitionTypeNone, S_OK, kPartitionTypeCell, "Smd.cel"},
        {"SymbolLibs\\Gates.x", kPartitionTypeNone, S_OK, kPartitionTypeSymbol, "Gates.x"},
        {"Resistors", kPartitionTypePart, S_OK, kPartitionTypePart, "Resistors"},
        {"", kPartitionTypePart, KELM_E_NO_SUCH_PARTITION},
        {"Resistors", kPartitionTypeNone, KELM_E_NO_SUCH_PARTITION},
        {"Resistors", kPartitionTypeUnset, KELM_E_NO_SUCH_PARTITION},
        {"Other\\Resistors.pdb", kPartitionTypePart, KELM_E_NO_SUCH_PARTITION},
        {"CellDBLibs\\.cel", kPartitionTypeCell, KELM_E_NO_SUCH_PARTITION},
    };
    for (const auto& c : kCases) {
        PartitionId id;
        ASSERT_EQ(c.status, ParsePartitionName(c.text, c.working, id)) << c.text;
        if (c.status != S_OK) continue;
        EXPECT_EQ(c.type, id.type) << c.text;
        EXPECT_EQ(c.name, id.name) << c.text;
    }
    PartitionId id;
    for (const char* bad : {"..", ".", "..\\x", "\\x", "/x", "C:\\x", "C:x", "PartsDBLibs\\..", "PartsDBLibs\\a\\b",
                            "PartsDBLibs\\..\\..\\x.pdb", "SymbolLibs/../x", "a\x01" "b", "x:y"})
        EXPECT_EQ(KELM_E_UNSAFE_PATH, ParsePartitionName(bad, kPartitionTypePart, id)) << bad;
    EXPECT_TRUE(EqualNoCase("Resistors", "rESISTORS"));
    EXPECT_FALSE(EqualNoCase("Resistor", "Resistors"));
    EXPECT_FALSE(EqualNoCase("a\xC9", "a\xE9"));  // ASCII letters only
    EXPECT_EQ("abc\xC9", LowerAscii("AbC\xC9"));
}

TEST(PartitionNames, NewNamesMustBeStorableOnEverySystem) {
    using kelm::platform::SetCodePageForTesting;
    const auto reason = [](const std::string& name, NameUse use = NameUse::FileName) {
        const char* why = UnstorableNameReason(name, use);
        return std::string(why ? why : "");
    };
    const std::string device = "a name Windows reserves for a device";
    for (const char* name : {"con", "NUL", "Aux.txt", "prn.a.b", "COM1", "lpt9.pdb", "COM0", "con .x", "COM\xC2\xB9", "CONIN$"})
        EXPECT_EQ(device, reason(name)) << name;
    for (const char* name : {"Spare ", "Spare."}) EXPECT_EQ("a name ending in a space or a dot", reason(name)) << name;
    for (const char* name : {"a<b", "a>b", "a\"b", "a|b", "R?", "R*"})
        EXPECT_EQ("a character Windows does not allow in file names", reason(name)) << name;
    EXPECT_EQ("a path separator or a colon", reason("a:b"));
    EXPECT_EQ("a name that leads out of its folder", reason(".."));
    EXPECT_EQ("an empty name", reason(""));
    for (const NameUse use : {NameUse::FileName, NameUse::Text}) {
        EXPECT_EQ("a control character", reason("a\tb", use));
        EXPECT_EQ("a control character", reason("a\x7F", use));
        std::vector<std::string> lost = {"a\x1A" "b"};  // a character lost on Windows
#ifndef _WIN32
        lost.insert(lost.end(), {"a\xFF", "\xC3", "a\xEF\xBF\xBD"});  // not UTF-8, or lost on the way in
#endif
        for (const std::string& name : lost)
            EXPECT_EQ("a character the library's code page cannot represent", reason(name, use)) << name;
    }
    // Storable: names near the reserved ones, text rules for items, UTF-8.
    for (const char* name : {"Resistors", "COM10", "CONSOLE", "nul_1", "LPT", "R-10 (1%)", "R\xC3\xA9sistances", ".hidden"})
        EXPECT_EQ("", reason(name)) << name;
    for (const char* item : {"con", "R?", "A/B:C", "x."}) EXPECT_EQ("", reason(item, NameUse::Text)) << item;
    // A double-byte character whose trail byte is '\' or '|' is one character.
    SetCodePageForTesting(932);
    EXPECT_EQ("", reason("\x81\x5C\x81\x7C"));
    PartitionId id;
    EXPECT_EQ(S_OK, ParsePartitionName("PartsDBLibs\\\x95\x5C.pdb", kPartitionTypeNone, id));
    EXPECT_EQ("\x95\x5C", id.name);
    EXPECT_EQ("a character the library's code page cannot represent", reason("a\x81"));
    SetCodePageForTesting(0);
}
