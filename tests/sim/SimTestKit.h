#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "link/ConsoleExchange.h"
#include "link/SerialPort.h"
#include "support/BothTimings.h"
#include "support/RecordingLog.h"
#include "support/SimFixture.h"

namespace kora::test {

// One command as the utility sends it, with a short time-out so tests stay quick, and a line
// check that keeps every output line exactly as read (line end included).
struct CapturedRun {
    OperationResult result;
    std::vector<std::string> rawLines;
    RecordingLog log;
    std::chrono::milliseconds elapsed{};
};
struct RunSettings {
    std::uint32_t timeoutMs = 50;
    std::uint8_t lineEnd = 10;
    std::uint32_t promptBudgetMs = kPromptBudgetMs;
    ExchangeTiming timing = ExchangeTiming::Patient;
};
CapturedRun RunCommands(const std::string& port, const std::vector<std::string>& commands,
                        const RunSettings& settings = {});

// The simulator as COM1, its exchanges run once under each timing (KORA_UNDER_EACH_TIMING).
class TimedSimFixture : public SimFixture, public UnderEachTiming {
protected:
    CapturedRun exchange(const std::vector<std::string>& commands, RunSettings settings = {})
    {
        settings.timing = timing();
        return RunCommands(portName(), commands, settings);
    }
};

// A terminal on the simulator's line without the exchange's rules: bytes in, bytes out.
class RawConsole {
public:
    explicit RawConsole(const std::string& portName);
    bool isOpen() const { return port_.isOpen(); }
    void type(const std::string& bytes);
    // Everything that arrives until the text ends with `ending` or the wait runs out.
    std::string readUntil(const std::string& ending, std::chrono::milliseconds wait);
    // Everything that arrives until the line is quiet for `quiet`.
    std::string readQuiet(std::chrono::milliseconds quiet);
    SerialPort& port() { return port_; }

private:
    SerialPort port_;
};

} // namespace kora::test
