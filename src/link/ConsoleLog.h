#pragma once

#include <string>

namespace kora {

// Where the console exchange shows what it types and reads: the terminal pane in the
// application, a plain recorder in tests.
class ConsoleLog {
public:
    virtual ~ConsoleLog() = default;
    virtual int lineCount() const = 0;
    virtual void clear() = 0;
    virtual void appendLine(const std::string& text) = 0;
};

} // namespace kora
