// The words both index files are made of: little-endian integers put into
// and read from a byte string, and the mixing step of their hashes and
// checksums.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelm::store::index_words {

inline void Put32(std::string& out, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline void Put64(std::string& out, std::size_t at, std::uint64_t value) {
    for (std::size_t i = 0; i < 8; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The unsigned little-endian number of `width` bytes at `at`.
inline std::uint64_t Get(std::string_view bytes, std::size_t at, int width) {
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

inline std::uint64_t Mix(std::uint64_t h, std::uint64_t word) {
    h = (h ^ word) * 0x9E3779B97F4A7C15ULL;
    return h ^ (h >> 29);
}

}  // namespace kelm::store::index_words
