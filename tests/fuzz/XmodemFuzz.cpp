// The XMODEM sender (the upload worker) against a receiver that answers whatever the input says
// whenever the input says: the worker runs as in the program, on a real pseudo-terminal, with
// its synchronised calls served by this thread's event loop.
//
// Input: byte 0 sets the echo of the start command and the time-out T, byte 1 the file's
// length, the rest is the receiver's script (see FuzzReceiver::answer).
//
// What must hold on every input: no crash, no sanitizer report, the worker ends within a fixed
// time, the pane keeps at most its 300 lines, progress stays within 0..100, and a worker that
// reports success (0) has really delivered the file:
//  - the receiver read complete, well-formed blocks numbered 1, 2, ... n in order (a block may
//    repeat, the previous one, when its answer got lost), whose data are the file's bytes padded
//    with zeros to whole blocks, and then an EOT; no block after it (further EOTs, the cancel
//    sequence and the commands of the listing that checks an end that was not clean may follow);
//  - the receiver wrote at least n ACK bytes. Each block the worker counts as delivered took one
//    ACK byte off the line, and only the receiver writes to it. A stricter "an ACK after each
//    complete block" cannot be told from the receiver's side: the line delivers with a delay,
//    so an ACK written before a retransmitted copy of block k was read may rightly answer that
//    copy, and the ACK the worker reads for block k + 1 may have been written before the
//    receiver saw block k + 1's last byte. The count holds whatever the timing.
// A worker that fails (-1) has sent no EOT, or says why the end did not count: the listing of
// the destination did not show the file, or could not be made.
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "FuzzInput.h"
#include "link/ConsoleExchange.h"
#include "link/SerialPort.h"
#include "support/PtyPair.h"
#include "support/RecordingLog.h"
#include "transfer/TThreadXModem.h"
#include "transfer/XmodemProtocol.h"

namespace {

using namespace kora;
using Clock = std::chrono::steady_clock;

// A receiver silent this long gets its next answer anyway: answers also come at their own time.
constexpr auto kQuiet = std::chrono::milliseconds(15);
// The worker's slowest honest end (100 waits for NAK, ten tries a block, ten EOTs, the first
// waiting two seconds, the closing output's budget, the listing that checks an end that was not
// clean) stays far below this; longer is a hang.
constexpr auto kWorkerLimit = std::chrono::seconds(30);
const std::string kPrompt = "\r\nD:\\>";

enum class EchoMode {
    Faithful,     // a console: every byte of the start command comes back
    ScriptedLast, // the command comes back, the script answers its carriage return
    None,         // nothing comes back by itself: the script answers every byte
    OneWrong,     // one byte of the command comes back changed
};

// What the receiver saw of the worker's bytes after the start command's carriage return.
struct Observed {
    std::vector<std::uint8_t> delivered; // the data of the blocks in order, repeats left out
    std::size_t blocks = 0;              // distinct blocks delivered
    int eots = 0;
    bool malformed = false; // a bad block, a wrong number, a block after EOT
    std::size_t acksWritten = 0;
};

class FuzzReceiver {
public:
    FuzzReceiver(int masterFd, std::span<const std::uint8_t> script, EchoMode echo,
                 std::size_t wrongAt)
        : fd_(masterFd), script_(script), echo_(echo), wrongAt_(wrongAt)
    {
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
        thread_ = std::thread([this] { run(); });
    }
    ~FuzzReceiver() { stop(); }
    FuzzReceiver(const FuzzReceiver&) = delete;
    FuzzReceiver& operator=(const FuzzReceiver&) = delete;

    void stop()
    {
        stop_.store(true);
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    // Read after stop() only.
    const Observed& observed() const { return seen_; }

private:
    void run()
    {
        std::uint8_t buffer[512];
        while (!stop_.load()) {
            pollfd entry{fd_, POLLIN, 0};
            const int ready = ::poll(&entry, 1, static_cast<int>(kQuiet.count()));
            if (ready == 0) {
                answer();
                continue;
            }
            const ssize_t got = ready > 0 ? ::read(fd_, buffer, sizeof buffer) : -1;
            if (got <= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            take(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(got)));
        }
    }

    void take(std::span<const std::uint8_t> bytes)
    {
        bool event = false;
        for (const std::uint8_t byte : bytes) {
            if (commandDone_) {
                event = track(byte) || event;
                continue;
            }
            ++commandBytes_;
            const bool last = byte == '\r';
            commandDone_ = last;
            switch (echo_) {
            case EchoMode::Faithful:
                out_.push_back(byte);
                event = event || last;
                break;
            case EchoMode::ScriptedLast:
                if (last) {
                    event = true;
                } else {
                    out_.push_back(byte);
                }
                break;
            case EchoMode::None:
                event = true;
                break;
            case EchoMode::OneWrong:
                out_.push_back(commandBytes_ == wrongAt_ ? static_cast<std::uint8_t>(byte ^ 0x20)
                                                         : byte);
                event = event || last;
                break;
            }
        }
        if (event) {
            answer();
        }
        flush();
    }

    // The script, one byte an operation, run until a yield each time the worker wrote something
    // or kept quiet for a while:
    //   00-7F write the byte (ACK, NAK, CAN, EOT, text, ...)
    //   80-BF flush what is written so far, then pause (low six bits) quarter milliseconds
    //   C0-DF write the next byte 1 to 32 times (a storm of NAKs, a flood of ACKs)
    //   E0-FF yield: the answer is complete
    // Once the script is used up, every answer is a console prompt, so each stage of the worker
    // ends soon: the wait for NAK at once, a block or EOT as not acknowledged, the closing
    // output at the prompt.
    void answer()
    {
        while (next_ < script_.size()) {
            const std::uint8_t op = script_[next_++];
            if (op >= 0xE0) {
                flush();
                return;
            }
            if (op >= 0xC0) {
                if (next_ < script_.size()) {
                    out_.insert(out_.end(), (op & 0x1F) + 1u, script_[next_++]);
                }
            } else if (op >= 0x80) {
                flush();
                std::this_thread::sleep_for(std::chrono::microseconds(250 * (op & 0x3F)));
            } else {
                out_.push_back(op);
            }
        }
        out_.insert(out_.end(), kPrompt.begin(), kPrompt.end());
        flush();
    }

    // One write for the whole answer, so its bytes reach the worker together. Bytes the line
    // will not take within a short while are dropped, as the worker has stopped reading.
    void flush()
    {
        std::size_t offset = 0;
        while (offset < out_.size() && !stop_.load()) {
            const ssize_t put = ::write(fd_, out_.data() + offset, out_.size() - offset);
            if (put > 0) {
                seen_.acksWritten += static_cast<std::size_t>(std::count(
                    out_.begin() + static_cast<std::ptrdiff_t>(offset),
                    out_.begin() + static_cast<std::ptrdiff_t>(offset + put), xmodem::ACK));
                offset += static_cast<std::size_t>(put);
                continue;
            }
            pollfd entry{fd_, POLLOUT, 0};
            if (::poll(&entry, 1, 20) <= 0) {
                break;
            }
        }
        out_.clear();
    }

    // The worker's side after the command: whole blocks, EOTs, cancel bytes and backspaces.
    // True when a whole unit has arrived (a block, any other byte): the script answers then.
    bool track(std::uint8_t byte)
    {
        if (!block_.empty()) {
            block_.push_back(byte);
            if (block_.size() < xmodem::kBlockSize) {
                return false;
            }
            checkBlock();
            block_.clear();
            return true;
        }
        if (byte == xmodem::SOH) {
            block_.push_back(byte);
            seen_.malformed = seen_.malformed || seen_.eots > 0;
            return false;
        }
        if (byte == xmodem::EOT) {
            ++seen_.eots;
        } else if (byte != xmodem::CAN && byte != xmodem::BS && seen_.eots == 0) {
            seen_.malformed = true; // after the EOT: the check's commands
        }
        return true;
    }

    void checkBlock()
    {
        const auto data = std::span<const std::uint8_t>(block_).subspan(3, xmodem::kDataSize);
        const auto expected = static_cast<std::uint8_t>(seen_.blocks + 1);
        const bool wellFormed = static_cast<std::uint8_t>(block_[1] + block_[2]) == 0xFF &&
                                xmodem::Checksum(data) == block_.back();
        if (!wellFormed) {
            seen_.malformed = true;
        } else if (block_[1] == expected) {
            seen_.delivered.insert(seen_.delivered.end(), data.begin(), data.end());
            ++seen_.blocks;
        } else if (block_[1] != static_cast<std::uint8_t>(expected - 1) || seen_.blocks == 0) {
            seen_.malformed = true;
        }
    }

    const int fd_;
    const std::span<const std::uint8_t> script_;
    const EchoMode echo_;
    const std::size_t wrongAt_;
    std::size_t next_ = 0;
    std::size_t commandBytes_ = 0;
    bool commandDone_ = false;
    std::vector<std::uint8_t> out_;
    std::vector<std::uint8_t> block_;
    Observed seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::filesystem::path g_file;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // A lock folder and an upload file of the run's own.
    char folder[] = "/tmp/kora-fuzz-xmodem.XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        std::abort();
    }
    ::setenv("KORA_LOCK_DIR", folder, 1);
    g_file = std::filesystem::path(folder) / "upload.bin";
    // The synchronised calls arrive through a socket notifier: they need an application object.
    static const auto app = std::make_unique<QCoreApplication>(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2 || size > 2048) {
        return 0;
    }
    const auto echo = static_cast<EchoMode>(data[0] & 3);
    const std::uint32_t timeoutMs = 2 + ((data[0] >> 2) & 3);
    const std::size_t wrongAt = 1 + (data[0] >> 4);
    // Up to six blocks, ending anywhere in a block (or empty).
    std::vector<std::uint8_t> content(static_cast<std::size_t>(data[1]) * 3);
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    {
        std::ofstream out(g_file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(content.data()),
                  static_cast<std::streamsize>(content.size()));
    }

    test::PtyPair line;
    SerialPort port(line.slavePath());
    if (!line.ok() || !port.Open() || !port.SetCommParams(57600, 8, Parity::None, StopBits::One) ||
        !port.SetTimeouts(timeoutMs)) {
        return 0;
    }
    test::RecordingLog log;
    FuzzReceiver receiver(line.masterFd(), std::span<const std::uint8_t>(data + 2, size - 2), echo,
                          wrongAt);
    std::int32_t result = TThreadXModem::kRunning;
    std::int32_t progress = 0;
    {
        TThreadXModem worker;
        worker.Port = &port;
        worker.StatusMemo = &log;
        worker.LocalPath = g_file.string();
        worker.DeviceName = "D:\\F.BIN";
        const auto deadline = Clock::now() + kWorkerLimit;
        worker.Resume();
        while ((result = worker.TransferResult.load()) == TThreadXModem::kRunning) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::microseconds(500));
            KORA_FUZZ_CHECK(Clock::now() < deadline);
        }
        progress = worker.Progress.load();
    }
    receiver.stop();
    port.Close();

    const Observed& seen = receiver.observed();
    KORA_FUZZ_CHECK(result == TThreadXModem::kSucceeded || result == TThreadXModem::kFailed);
    KORA_FUZZ_CHECK(progress >= 0 && progress <= 100);
    KORA_FUZZ_CHECK(log.lines.size() <= static_cast<std::size_t>(kConsoleLogMaxLines));
    if (result == TThreadXModem::kFailed) {
        KORA_FUZZ_CHECK(seen.eots == 0 ||
                        (!log.lines.empty() &&
                         (log.lines.back().starts_with("<<KORA-7740P did not keep the file") ||
                          log.lines.back().starts_with("<<Could not check that KORA-7740P"))));
        return 0;
    }
    const std::size_t blocks = (content.size() + xmodem::kDataSize - 1) / xmodem::kDataSize;
    std::vector<std::uint8_t> padded = content;
    padded.resize(blocks * xmodem::kDataSize, 0);
    KORA_FUZZ_CHECK(!seen.malformed);
    KORA_FUZZ_CHECK(seen.blocks == blocks && seen.delivered == padded);
    KORA_FUZZ_CHECK(seen.eots >= 1);
    KORA_FUZZ_CHECK(seen.acksWritten >= blocks);
    KORA_FUZZ_CHECK(content.empty() || progress == 100);
    return 0;
}
