// The CSV reader of the kelm tool: any text gives records or an error, and
// every record read writes back (CsvRecord) to a line that reads the same.
#include "Csv.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = kelm::fuzz::Text(data, size);
    kelmcli::CsvReader reader(text);
    std::vector<std::string> fields;
    long line = 0;
    std::string error;
    long previousLine = 0;
    while (reader.Next(fields, line, error)) {
        FUZZ_CHECK(line > previousLine);
        previousLine = line;
        const std::string written = kelmcli::CsvRecord(fields) + "\n";
        kelmcli::CsvReader again(written);
        std::vector<std::string> fieldsAgain;
        long lineAgain = 0;
        std::string errorAgain;
        if (again.Next(fieldsAgain, lineAgain, errorAgain)) FUZZ_CHECK(fieldsAgain == fields);
        else FUZZ_CHECK(fields.empty() || (fields.size() == 1 && fields[0].empty()));
    }
    return 0;
}
