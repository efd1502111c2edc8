// printf-style formatting into a std::string, for messages with "%s"/"%d".
#pragma once

#include <string>

namespace kelm {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string Format(const char* format, ...);

}  // namespace kelm
