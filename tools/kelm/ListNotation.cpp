#include "ListNotation.h"

namespace kelmcli {
namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::vector<std::string> SplitList(const std::string& text, char separator) {
    std::vector<std::string> values;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        std::string value = Trim(text.substr(start, end - start));
        if (!value.empty()) values.push_back(std::move(value));
        start = end + 1;
    }
    return values;
}

std::string JoinList(const std::vector<std::string>& values, char separator) {
    std::string text;
    for (const auto& value : values) {
        if (!text.empty()) text += separator;
        text += value;
    }
    return text;
}

bool ParseRefs(const std::string& text, std::vector<Ref>& refs, std::string& error) {
    refs.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        // One entry: up to ';' outside brackets.
        std::size_t end = i;
        int depth = 0;
        for (; end < text.size(); ++end) {
            if (text[end] == '[') {
                if (++depth > 1) {
                    error = "nested '[' in \"" + text + "\"";
                    return false;
                }
            } else if (text[end] == ']') {
                if (--depth < 0) {
                    error = "']' without '[' in \"" + text + "\"";
                    return false;
                }
            } else if (text[end] == ';' && depth == 0) {
                break;
            }
        }
        if (depth != 0) {
            error = "'[' without ']' in \"" + text + "\"";
            return false;
        }
        const std::string entry = Trim(text.substr(i, end - i));
        i = end + 1;
        if (entry.empty()) continue;
        Ref ref;
        const std::size_t open = entry.find('[');
        if (open == std::string::npos) {
            ref.name = entry;
        } else {
            const std::size_t close = entry.find(']', open);
            if (close + 1 != entry.size()) {
                error = "text after ']' in \"" + entry + "\"";
                return false;
            }
            ref.name = Trim(entry.substr(0, open));
            ref.pins = SplitList(entry.substr(open + 1, close - open - 1), ',');
        }
        if (ref.name.empty()) {
            error = "an entry without a name in \"" + text + "\"";
            return false;
        }
        refs.push_back(std::move(ref));
    }
    return true;
}

std::string FormatRefs(const std::vector<Ref>& refs) {
    std::string text;
    for (const auto& ref : refs) {
        if (!text.empty()) text += ';';
        text += ref.name;
        if (ref.pins) text += '[' + JoinList(*ref.pins, ',') + ']';
    }
    return text;
}

}  // namespace kelmcli
