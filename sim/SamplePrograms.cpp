#include "sim/SamplePrograms.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace kora::sim {

namespace {

constexpr std::string_view kTagStart = "KORA-SIM:";

// Watches the raw input of a running program for the abort sequence "A" CR. The programs
// echo what they read, as an interactive program on the console does; that is what lets the
// utility type "A\r" with its echo check while a program runs.
class AbortWatch {
public:
    // Consumes (and echoes) what arrives within the wait; true once "A" CR has come in.
    bool waitFor(ConsoleIo& io, std::chrono::milliseconds wait)
    {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        do {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const auto byte = io.readByte(std::max(left, std::chrono::milliseconds(0)));
            if (!byte)
                return false;
            const char echo = static_cast<char>(*byte);
            io.write(std::string_view(&echo, 1));
            if (*byte == '\r')
                io.write("\n");
            if (*byte == '\r' && lastWasA_)
                return true;
            lastWasA_ = *byte == 'A' || *byte == 'a';
        } while (std::chrono::steady_clock::now() < deadline && !io.stopRequested());
        return false;
    }

private:
    bool lastWasA_ = false;
};

} // namespace

std::string CounterProgramTag(int intervalMs, int lines)
{
    return std::string(kTagStart) + "COUNTER " + std::to_string(intervalMs) + " " +
           std::to_string(lines) + ";";
}

std::string PromptLookAlikeProgramTag(int pauseMs, int lines)
{
    return std::string(kTagStart) + "PROMPTLIKE " + std::to_string(pauseMs) + " " +
           std::to_string(lines) + ";";
}

std::string FloodProgramTag()
{
    return std::string(kTagStart) + "FLOOD;";
}

std::string ProgramImage(const std::string& tag, std::size_t size)
{
    std::string image = "MZ" + tag;
    if (image.size() < size)
        image.resize(size, '\0');
    return image;
}

ProgramBehaviour DescribeProgram(const std::string& image)
{
    ProgramBehaviour behaviour;
    const auto at = image.find(kTagStart);
    if (at == std::string::npos)
        return behaviour;
    const std::string tag = image.substr(at + kTagStart.size(), 64);
    int interval = 0;
    int lines = 0;
    if (tag.starts_with("FLOOD;")) {
        behaviour.kind = ProgramBehaviour::Kind::Flood;
    } else if (std::sscanf(tag.c_str(), "PROMPTLIKE %d %d;", &interval, &lines) == 2 &&
               interval >= 0 && lines >= 0) {
        behaviour.kind = ProgramBehaviour::Kind::PromptLookAlike;
        behaviour.intervalMs = std::min(interval, 60'000);
        behaviour.lines = lines;
    } else if (std::sscanf(tag.c_str(), "COUNTER %d %d;", &interval, &lines) == 2 &&
               interval >= 0 && lines >= 0) {
        behaviour.kind = ProgramBehaviour::Kind::Counter;
        behaviour.intervalMs = std::min(interval, 60'000);
        behaviour.lines = lines;
    }
    return behaviour;
}

void RunProgram(ConsoleIo& io, const std::string& name, const ProgramBehaviour& behaviour)
{
    AbortWatch abort;
    switch (behaviour.kind) {
    case ProgramBehaviour::Kind::Message:
        io.writeLine(name + " has run.");
        return;
    case ProgramBehaviour::Kind::Counter:
        io.writeLine(name + " running, \"A\" + Enter aborts");
        for (int i = 1; i <= behaviour.lines; ++i) {
            if (abort.waitFor(io, std::chrono::milliseconds(behaviour.intervalMs))) {
                io.writeLine("Program aborted");
                return;
            }
            if (io.stopRequested())
                return;
            io.writeLine("Counter " + std::to_string(i));
        }
        io.writeLine(name + " finished");
        return;
    case ProgramBehaviour::Kind::PromptLookAlike:
        io.writeLine(name + " running");
        for (int i = 1; i <= behaviour.lines; ++i) {
            io.write("D:\\LOG>");
            if (abort.waitFor(io, std::chrono::milliseconds(behaviour.intervalMs))) {
                io.writeLine("Program aborted");
                return;
            }
            if (io.stopRequested())
                return;
            io.writeLine(" step " + std::to_string(i));
        }
        io.writeLine(name + " finished");
        return;
    case ProgramBehaviour::Kind::Flood:
        // One numbered line after another, as fast as the line takes them.
        for (unsigned long n = 1; !io.stopRequested(); ++n) {
            char line[80];
            std::snprintf(line, sizeof line, "FLOOD %08lu ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789",
                          n);
            io.writeLine(line);
            if (abort.waitFor(io, std::chrono::milliseconds(0))) {
                io.writeLine("Program aborted");
                return;
            }
        }
        return;
    }
}

} // namespace kora::sim
