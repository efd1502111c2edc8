#include "query/ItemFilter.h"

#include <string_view>

#include "platform/CodePage.h"

namespace kelm {
namespace {

// Lower-cases `text` into `buffer`, reusing its storage.
void LowerInto(const std::string& text, std::string& buffer) {
    buffer.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) buffer[i] = platform::LowerChar(text[i]);
}

}  // namespace

void FilterItemList(const std::string& pattern, const StringList& in, StringList& out) {
    out.clear();
    const std::string loweredPattern = platform::LowerString(pattern);
    std::string loweredItem;
    for (const std::string& item : in) {
        LowerInto(item, loweredItem);
        if (MatchWildcard(loweredPattern, loweredItem)) out.push_back(item);
    }
}

// Greedy matching that remembers only the last '*' seen and the text
// position it was last tried at. A mismatch after a star lets that star
// swallow one more character and retries from there; an earlier star never
// needs revisiting, because whatever the later star can skip, it can skip
// from any later start as well. This answers exactly as full backtracking
// does.
bool MatchWildcard(const std::string& pattern, const std::string& text) {
    const std::string_view p(pattern);
    const std::string_view t(text);
    constexpr std::size_t kNoStar = std::string_view::npos;
    std::size_t pi = 0;
    std::size_t ti = 0;
    std::size_t star = kNoStar;  // position of the last '*' in the pattern
    std::size_t resume = 0;      // text position that star swallows up to
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            resume = ti;
        } else if (pi < p.size() && (p[pi] == '?' || p[pi] == t[ti])) {
            ++pi;
            ++ti;
        } else if (star != kNoStar) {
            pi = star + 1;
            ti = ++resume;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

}  // namespace kelm
