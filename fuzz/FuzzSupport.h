// Shared by the fuzz targets: the input as text, and a check that stops the
// run with a message (libFuzzer keeps the input that made it fail).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace kelm::fuzz {

inline std::string Text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

[[noreturn]] inline void Failed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::abort();
}

}  // namespace kelm::fuzz

#define FUZZ_CHECK(condition) ((condition) ? (void)0 : ::kelm::fuzz::Failed(#condition, __FILE__, __LINE__))
