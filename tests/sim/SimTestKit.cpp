#include "SimTestKit.h"

#include <gtest/gtest.h>

namespace kora::test {

CapturedRun RunCommands(const std::string& port, const std::vector<std::string>& commands,
                        const RunSettings& settings)
{
    CapturedRun run;
    DeviceOperation op;
    op.promptBudgetMs = settings.promptBudgetMs;
    op.lineEnd = settings.lineEnd;
    op.timeoutMs = settings.timeoutMs;
    op.timing = settings.timing;
    for (const auto& command : commands) {
        ConsoleStep step{command, {}, {}, {}};
        step.checkLine = [&run](const std::string& line) -> std::optional<LineFailure> {
            run.rawLines.push_back(line);
            return std::nullopt;
        };
        op.steps.push_back(std::move(step));
    }
    const auto start = std::chrono::steady_clock::now();
    run.result = RunDeviceOperation(port, op, run.log);
    run.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    return run;
}

RawConsole::RawConsole(const std::string& portName) : port_(portName)
{
    if (port_.Open() && port_.SetCommParams(57600, 8, Parity::None, StopBits::One)) {
        port_.SetTimeouts(10);
    }
}

void RawConsole::type(const std::string& bytes)
{
    EXPECT_TRUE(port_.Write(bytes, InputPurge::Keep)) << "typing to the console";
}

std::string RawConsole::readUntil(const std::string& ending, std::chrono::milliseconds wait)
{
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (!text.ends_with(ending) && std::chrono::steady_clock::now() < deadline) {
        std::uint8_t byte = 0;
        if (port_.Read(1, &byte))
            text += static_cast<char>(byte);
    }
    return text;
}

std::string RawConsole::readQuiet(std::chrono::milliseconds quiet)
{
    std::string text;
    auto lastByte = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - lastByte < quiet) {
        std::uint8_t byte = 0;
        if (port_.Read(1, &byte)) {
            text += static_cast<char>(byte);
            lastByte = std::chrono::steady_clock::now();
        }
    }
    return text;
}

} // namespace kora::test
