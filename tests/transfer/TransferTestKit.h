#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/SerialPort.h"
#include "sim/Simulator.h"
#include "sim/XmodemReceiver.h"
#include "support/RecordingLog.h"
#include "support/TempDir.h"
#include "transfer/TThreadXModem.h"

namespace kora::test {

// A temporary folder that also writes the files to upload.
class TempFolder : public TempDir {
public:
    TempFolder() : TempDir("kora-transfer") {}
    std::filesystem::path write(const std::string& name,
                                const std::vector<std::uint8_t>& bytes) const;
};

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed);
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);
// The bytes as an XMODEM receiver stores them: padded to whole 128-byte blocks.
std::vector<std::uint8_t> PaddedTo128(std::vector<std::uint8_t> bytes, std::uint8_t pad);

// The port's read time-out in the tests of the sender's time-out paths: a silent one-byte read
// lasts 2 T. As short as the device operations' T, so that those paths stay quick, and no
// shorter: every echo and answer the tests expect must come within 2 T, and on a busy machine
// (a build beside the suite, ThreadSanitizer) the thread that answers may wait that long for a
// core. A late answer that a test expects to miss comes a whole T after the read gave up.
inline constexpr std::uint32_t kTransferTimeoutMs = 200;

// Opens the port as the copy does: 57600 8N1, CR line end, the given time-out.
bool OpenTransferPort(SerialPort& port, std::uint32_t timeoutMs);

// Runs the worker the way its owner does: resume, then poll while processing events, every
// 5 ms, until the result leaves 1. onPoll runs on each round (to cancel, for instance). Gives
// up (cancelling the worker) after the limit and returns 1 then.
std::int32_t RunUpload(TThreadXModem& worker, std::chrono::milliseconds limit,
                       const std::function<void(TThreadXModem&)>& onPoll = {});

// A simulator with the transfer tool, started in SetUp. The tool asks for the first block every
// 100 ms rather than every second, so uploads start at once; tests may change the options
// while it runs.
class TransferToolTest : public ::testing::Test {
protected:
    void SetUp() override;

    sim::Simulator simulator_;
    std::shared_ptr<sim::TransferToolOptions> options_ =
        std::make_shared<sim::TransferToolOptions>();
};

} // namespace kora::test
