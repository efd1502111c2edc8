// The wildcard matcher against the plain backtracking algorithm ('*' tries
// every split, '?' one byte, anything else itself), memoised so that the
// oracle stays fast on patterns with many stars. Input: pattern, a zero
// byte, text.
#include <vector>

#include "FuzzSupport.h"
#include "query/ItemFilter.h"

namespace {

class Backtracking {
public:
    Backtracking(const std::string& pattern, const std::string& text)
        : m_pattern(pattern), m_text(text), m_memo((pattern.size() + 1) * (text.size() + 1), -1) {}
    bool Match(std::size_t p = 0, std::size_t t = 0) {
        signed char& memo = m_memo[p * (m_text.size() + 1) + t];
        if (memo < 0) memo = Compute(p, t) ? 1 : 0;
        return memo == 1;
    }

private:
    bool Compute(std::size_t p, std::size_t t) {
        if (p == m_pattern.size()) return t == m_text.size();
        if (m_pattern[p] == '*') {
            for (std::size_t k = t; k <= m_text.size(); ++k)
                if (Match(p + 1, k)) return true;
            return false;
        }
        if (t == m_text.size()) return false;
        if (m_pattern[p] != '?' && m_pattern[p] != m_text[t]) return false;
        return Match(p + 1, t + 1);
    }
    const std::string& m_pattern;
    const std::string& m_text;
    std::vector<signed char> m_memo;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string all = kelm::fuzz::Text(data, size);
    const std::size_t cut = all.find('\0');
    if (cut == std::string::npos || all.size() > 600) return 0;  // the oracle is quadratic
    const std::string pattern = all.substr(0, cut);
    const std::string text = all.substr(cut + 1);
    FUZZ_CHECK(kelm::MatchWildcard(pattern, text) == Backtracking(pattern, text).Match());
    return 0;
}
