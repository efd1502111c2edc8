// The journal beside a part file, applied to a small part file. The first
// byte chooses the form of the rest: the journal's lines as they are (the
// checks then fail, as on a damaged journal), or each line given a valid
// check (so that the record reader itself is reached). Whatever is
// applied, the result writes as a part file that reads back the same, and
// a journal written from the records applied gives that result again.
#include "FuzzSupport.h"
#include "store/format/PartJournal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelm::store;
    if (size == 0) return 0;
    const std::string input = kelm::fuzz::Text(data + 1, size - 1);
    static const std::string base =
        "{\"kelm\":\"parts\",\"version\":1,\"lines\":2}\n"
        "{\"number\":\"A\",\"pins\":[\"1\"],\"name\":\"\",\"label\":\"\",\"nameDefault\":0,\"labelDefault\":0,"
        "\"description\":\"\",\"type\":\"\",\"time\":0,\"cells\":[],\"symbols\":[]}\n"
        "{\"number\":\"B\",\"pins\":[],\"name\":\"\",\"label\":\"\",\"nameDefault\":0,\"labelDefault\":0,"
        "\"description\":\"\",\"type\":\"\",\"time\":0,\"cells\":[\"C\"],\"symbols\":[]}\n";
    std::string journal = JournalHeader(base);
    if (data[0] & 1) {
        for (std::size_t begin = 0; begin < input.size();) {
            std::size_t end = input.find('\n', begin);
            if (end == std::string::npos) end = input.size();
            AppendCheckedLine(journal, std::string_view(input).substr(begin, end - begin));
            begin = end + 1;
        }
    } else {
        journal += input;
    }
    PartMap parts, original;
    std::string error;
    FUZZ_CHECK(ParsePartFile(base, "Fuzz.pdb", "Fuzz", parts, error));
    original = parts;
    std::set<std::string> touched;
    JournalState state;
    ApplyJournal(journal, base, "Fuzz", parts, touched, state);
    FUZZ_CHECK(state.exists);
    const std::string folded = SerializePartFile(parts, base, &touched);
    PartMap again;
    FUZZ_CHECK(ParsePartFile(folded, "Fuzz.pdb", "Fuzz", again, error));
    FUZZ_CHECK(SerializePartFile(again) == folded);
    std::string rewritten = JournalHeader(base);
    AppendJournalSave(rewritten, parts, touched);
    JournalState second;
    std::set<std::string> touchedAgain;
    ApplyJournal(rewritten, base, "Fuzz", original, touchedAgain, second);
    FUZZ_CHECK(second.appendable && second.records == touched.size() && touchedAgain == touched);
    FUZZ_CHECK(SerializePartFile(original) == SerializePartFile(parts));
    return 0;
}
