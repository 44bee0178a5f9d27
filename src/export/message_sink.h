#pragma once

#include <string>

namespace volumix {

// Where a run's report lines go: the window's message list, the command
// line's stdout, or a test. Lines are UTF-8 and carry no line end.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void addLine(const std::string& line) = 0;
};

// Formats like printf into a std::string (report lines are short).
std::string formatLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace volumix
