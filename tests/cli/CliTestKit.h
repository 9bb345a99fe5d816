#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ToolRun.h"
#include "support/SimFixture.h"

namespace kora::test {

// The simulator as COM1 and the tool run against it, as a script would run it.
class CliTest : public SimFixture {
protected:
    // The tool has no port of its own choosing: the tests name the simulator with KORA_PORT,
    // and the controllers' names come from a private configuration folder.
    void SetUp() override;
    void TearDown() override;
    // Writes the controllers.conf the tool reads.
    void writeControllerNames(const std::string& text);

    ToolResult tool(const std::vector<std::string>& args) { return RunTool(args); }

    // A PC file in the test's folder; the path as the tool is given it.
    std::string writeLocal(const std::string& name, const std::string& bytes);
    // The bytes of a file on the simulated drives, empty when there is none.
    std::string deviceFile(const std::string& path);
    bool onDevice(const std::string& path) { return sim().fileSystem().exists(path); }

private:
    std::unique_ptr<ScopedEnv> port_;
    std::unique_ptr<ScopedEnv> config_;
};

// What the tool prints on standard error for a failure with this message: one line.
std::string ErrLine(const std::string& message);

// Random bytes, the same for the same seed.
std::string RandomText(std::size_t size, unsigned seed);
// What an XMODEM receiver keeps of the bytes: the last block filled up with zeros, or with
// Ctrl-Z for a text file.
std::string Padded(std::string bytes, char fill = '\0');
// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

} // namespace kora::test
