// End-to-end: where-used for every kind, and the move of a part type.
#include "SmallLibrary.h"

namespace kelm::testing {
namespace {

class WhereUsed : public SmallLibrary {
protected:
    void SetUp() override {
        SmallLibrary::SetUp();
        ImportParts("number,cells,symbols,pins\nR1,R0603,Gates:RES,\"1,2\"\nR2,R0603,,\"1,2\"\nR3,,Gates:RES,\n");
    }
};

TEST_F(WhereUsed, CellsSymbolsAndPadstacksEachAnswerTheirUsers) {
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"where-used", "R0603"}, "R1\nR2\n"},
        {{"where-used", "RES", "-k", "symbol"}, "R1\nR3\n"},
        {{"where-used", "gates:RES", "-k", "symbol"}, "R1\nR3\n"},  // partition names without case
        {{"where-used", "Gates:res", "-k", "symbol"}, ""},          // symbol names with case
        {{"where-used", "Other:RES", "-k", "symbol"}, ""},
        {{"where-used", "P1", "-k", "padstack"}, "R0603\tSmd\n"},
        {{"where-used", "P9", "-k", "padstack"}, ""},
    };
    for (const Case& c : cases) {
        const KelmResult result = Kelm(c.args);
        EXPECT_EQ(result.code, 0) << c.args[1] << ": " << result.err;
        EXPECT_EQ(result.out, c.out) << c.args[1];
    }
    const auto padstack = Json({"where-used", "P1", "-k", "padstack"});
    EXPECT_EQ(padstack["cells"], nlohmann::json::parse(R"([{"partition":"Smd","cell":"R0603"}])"));
    EXPECT_NE(Kelm({"where-used", "RES"}).err.find("--kind symbol"), std::string::npos);  // the hint for a cell no part uses
    EXPECT_EQ(Kelm({"where-used", "P1", "-k", "pin"}).code, 2);
    EXPECT_EQ(Run({"-l", "lib/Gone.qvm", "where-used", "RES", "-k", "symbol"}).code, 3);
}

// Part numbers are unique: a part type moves (or is copied) only under a
// new number, and the tool says so before touching anything. Deleting what
// is not there is a negative answer.
TEST_F(WhereUsed, CopyMoveAndDeleteNeedNewNumbersAndAnswerNoItemWithExitOne) {
    const KelmResult same = Kelm({"move", "R1", "--from", "Res", "--to", "Caps", "-k", "part"});
    EXPECT_EQ(same.code, 3);
    EXPECT_NE(same.err.find("0x80040005"), std::string::npos) << same.err;
    EXPECT_NE(same.err.find("'R1' is in 'Res'"), std::string::npos) << same.err;
    EXPECT_NE(same.err.find("--as NEW"), std::string::npos) << same.err;
    const KelmResult taken = Kelm({"move", "R1", "--from", "Res", "--to", "Caps", "-k", "part", "--as", "R2"});
    EXPECT_EQ(taken.code, 3);
    EXPECT_NE(taken.err.find("'R2' is already in 'Res'"), std::string::npos) << taken.err;
    EXPECT_EQ(Json({"holder", "Caps", "-k", "part"})["holder"], nullptr);  // nothing left reserved
    EXPECT_EQ(Kelm({"move", "R1", "--from", "Res", "--to", "Caps", "-k", "part", "--as", "R1N"}).code, 0);
    EXPECT_EQ(Kelm({"find", "R1N", "-k", "part"}).out, "Caps\n");
    EXPECT_EQ(Kelm({"find", "R1", "-k", "part"}).code, 1);
    ASSERT_EQ(Kelm({"reserve", "Caps", "-k", "part"}).code, 0);
    EXPECT_EQ(Kelm({"copy", "R1N", "--from", "Caps", "--to", "Caps", "--as", "R1C", "-k", "part"}).code, 0);
    EXPECT_EQ(Items("Caps"), (std::vector<std::string>{"R1C", "R1N"}));
    EXPECT_EQ(Kelm({"delete", "R1C", "-p", "Caps", "-k", "part"}).code, 0);
    const KelmResult none = Kelm({"delete", "R1C", "-p", "Caps", "-k", "part"});
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("to delete"), std::string::npos) << none.err;
    EXPECT_EQ(Json({"delete", "R1C", "-p", "Caps", "-k", "part"})["deleted"], false);
}

}  // namespace
}  // namespace kelm::testing
