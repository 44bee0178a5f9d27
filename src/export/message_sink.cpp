#include "export/message_sink.h"

#include <cstdarg>
#include <cstdio>

namespace volumix {

std::string formatLine(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list copy;
    va_copy(copy, arguments);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string line;
    if (size > 0) {
        line.resize(static_cast<size_t>(size) + 1);
        std::vsnprintf(line.data(), line.size(), format, arguments);
        line.resize(static_cast<size_t>(size));
    }
    va_end(arguments);
    return line;
}

}  // namespace volumix
