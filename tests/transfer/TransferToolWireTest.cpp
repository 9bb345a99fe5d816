// The simulator's transfer tool, driven byte by byte from a terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

#include "TransferTestKit.h"
#include "link/UniqueFd.h"
#include "sim/DosFileSystem.h"
#include "sim/Simulator.h"
#include "sim/XmodemReceiver.h"
#include "support/PtyPair.h"
#include "transfer/XmodemProtocol.h"

namespace kora::test {
namespace {

using namespace std::chrono_literals;

class TransferToolOnTheWire : public TransferToolTest {
protected:
    void SetUp() override
    {
        TransferToolTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        terminal_.reset(::open(simulator_.terminalPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        ASSERT_GE(fd(), 0);
        ASSERT_TRUE(MakeRaw(fd()));
        while (ReadByteWithin(fd(), 200ms)) {
        }
    }

    // Types the command and waits for the tool's first NAK.
    bool Start(const std::string& path)
    {
        if (!TypeWithEcho(fd(), "C:\\transfer /R " + path + "\r")) {
            return false;
        }
        while (const auto byte = ReadByteWithin(fd(), 2s)) {
            if (*byte == xmodem::NAK) {
                return true;
            }
        }
        return false;
    }

    // Sends bytes and returns the first byte of the answer.
    std::optional<std::uint8_t> Send(std::span<const std::uint8_t> bytes)
    {
        WriteAll(fd(), std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return ReadByteWithin(fd(), 2s);
    }
    std::optional<std::uint8_t> Send(std::uint8_t byte) { return Send({&byte, 1}); }

    // What the console prints up to its prompt.
    std::string OutputUntilPrompt()
    {
        std::string text;
        while (const auto byte = ReadByteWithin(fd(), 1s)) {
            text.push_back(static_cast<char>(*byte));
            if (text.ends_with(">")) {
                break;
            }
        }
        return text;
    }

    std::optional<std::string> Stored(const std::string& path)
    {
        return simulator_.fileSystem().readFile(path);
    }

    int fd() const { return terminal_.get(); }

    UniqueFd terminal_; // the simulator's line, opened as a terminal program would
};

std::string AsText(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

TEST_F(TransferToolOnTheWire, RepeatedBlockIsAcknowledgedAndStoredOnce)
{
    ASSERT_TRUE(Start("D:\\REP.BIN"));
    const auto first = RandomBytes(128, 1);
    const auto second = RandomBytes(20, 2);
    const auto block1 = xmodem::BuildBlock(1, first);
    EXPECT_EQ(Send(block1), xmodem::ACK);
    EXPECT_EQ(Send(block1), xmodem::ACK); // our ACK was lost: the sender tries again
    EXPECT_EQ(Send(xmodem::BuildBlock(2, second)), xmodem::ACK);
    EXPECT_EQ(Send(xmodem::EOT), xmodem::ACK);
    EXPECT_NE(OutputUntilPrompt().find("File received: 256 bytes"), std::string::npos);
    EXPECT_EQ(Stored("D:\\REP.BIN"), AsText(first) + AsText(PaddedTo128(second, 0)));
}

TEST_F(TransferToolOnTheWire, DamagedBlocksAreRefusedUntilOneArrivesWhole)
{
    ASSERT_TRUE(Start("D:\\BAD.BIN"));
    const auto data = RandomBytes(100, 3);
    auto badComplement = xmodem::BuildBlock(1, data);
    badComplement[2] ^= 0x01;
    auto badChecksum = xmodem::BuildBlock(1, data);
    badChecksum[131] ^= 0x80;
    EXPECT_EQ(Send(badComplement), xmodem::NAK);
    EXPECT_EQ(Send(badChecksum), xmodem::NAK);
    EXPECT_EQ(Send(xmodem::BuildBlock(1, data)), xmodem::ACK);
    EXPECT_EQ(Send(xmodem::EOT), xmodem::ACK);
    OutputUntilPrompt();
    EXPECT_EQ(Stored("D:\\BAD.BIN"), AsText(PaddedTo128(data, 0)));
}

TEST_F(TransferToolOnTheWire, BlockOutOfSequenceAbortsWithoutAFile)
{
    ASSERT_TRUE(Start("D:\\SEQ.BIN"));
    EXPECT_EQ(Send(xmodem::BuildBlock(1, RandomBytes(128, 4))), xmodem::ACK);
    EXPECT_EQ(Send(xmodem::BuildBlock(3, RandomBytes(128, 5))), xmodem::CAN);
    EXPECT_NE(OutputUntilPrompt().find("Block out of sequence"), std::string::npos);
    EXPECT_FALSE(Stored("D:\\SEQ.BIN"));
}

TEST_F(TransferToolOnTheWire, FiveCanEndTheToolAndNothingIsStored)
{
    ASSERT_TRUE(Start("D:\\CAN.BIN"));
    EXPECT_EQ(Send(xmodem::BuildBlock(1, RandomBytes(128, 6))), xmodem::ACK);
    const std::vector<std::uint8_t> cancel(5, xmodem::CAN);
    WriteAll(fd(), AsText(cancel));
    EXPECT_NE(OutputUntilPrompt().find("Transfer cancelled"), std::string::npos);
    EXPECT_FALSE(Stored("D:\\CAN.BIN"));
    EXPECT_TRUE(TypeWithEcho(fd(), "dir\r"));
}

TEST_F(TransferToolOnTheWire, BadDestinationIsRefusedBeforeAnyNak)
{
    for (const std::string path : {"D:\\NODIR\\X.BIN", "D:\\TOOLONGNAME.BIN"}) {
        ASSERT_TRUE(TypeWithEcho(fd(), "C:\\transfer /R " + path + "\r"));
        const std::string output = OutputUntilPrompt();
        EXPECT_EQ(output.find(static_cast<char>(xmodem::NAK)), std::string::npos) << path;
        EXPECT_TRUE(output.find("Invalid path") != std::string::npos ||
                    output.find("Invalid file name") != std::string::npos)
            << output;
    }
}

} // namespace
} // namespace kora::test
