// The import rows of the kelm tool (part types and cells, CSV and JSON
// Lines): any text gives rows, each with its values or its error, or one
// error for the whole file.
#include "FuzzSupport.h"
#include "ImportRows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelmcli;
    if (size == 0) return 0;
    const FileFormat format = data[0] & 1 ? FileFormat::JsonLines : FileFormat::Csv;
    const std::string text = kelm::fuzz::Text(data + 1, size - 1);
    std::string fileError;
    if (data[0] & 2) {
        const std::vector<CellRow> rows = ReadCellRows(text, format, fileError);
        FUZZ_CHECK(fileError.empty() || rows.empty());
        for (const CellRow& row : rows) FUZZ_CHECK(row.line > 0);
    } else {
        const std::vector<PartRow> rows = ReadPartRows(text, format, fileError);
        FUZZ_CHECK(fileError.empty() || rows.empty());
        for (const PartRow& row : rows) FUZZ_CHECK(row.line > 0);
    }
    return 0;
}
