#pragma once

#include <cstddef>
#include <string>

#include "sim/SimCommand.h"

namespace kora::sim {

// What a program file does when it is run from the console. The simulator can't execute x86
// code, so a program's behaviour is read from a tag in its image; an image without a tag is
// a program that prints one line and ends.
struct ProgramBehaviour {
    // PromptLookAlike: a program that prints "D:\LOG>" as the console prints its prompt, pauses
    // there, then goes on with the rest of its line; as many times as lines, then it ends.
    enum class Kind { Message, Counter, Flood, PromptLookAlike };
    Kind kind = Kind::Message;
    int intervalMs = 0; // Counter, PromptLookAlike: time between lines
    int lines = 0;      // Counter, PromptLookAlike: how many lines before it ends
};

std::string CounterProgramTag(int intervalMs, int lines);
std::string PromptLookAlikeProgramTag(int pauseMs, int lines);
std::string FloodProgramTag();
// An "MZ" image of exactly size bytes carrying the tag (grown if the tag does not fit).
std::string ProgramImage(const std::string& tag, std::size_t size);
ProgramBehaviour DescribeProgram(const std::string& image);

// Runs the program: prints its lines until it ends, "A" + CR arrives on the line or the
// simulator stops. The program reads the line itself and echoes each byte (CR with LF).
void RunProgram(ConsoleIo& io, const std::string& name, const ProgramBehaviour& behaviour);

} // namespace kora::sim
