#include "sim/XmodemReceiver.h"

#include <array>
#include <chrono>
#include <optional>
#include <random>
#include <string>

#include "sim/DosFileSystem.h"
#include "sim/Faults.h"
#include "sim/SimCommand.h"
#include "sim/Simulator.h"

namespace kora::sim {

namespace {

constexpr std::uint8_t kSoh = 0x01;
constexpr std::uint8_t kEot = 0x04;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;
constexpr std::uint8_t kCan = 0x18;
constexpr std::size_t kPayloadSize = 128;
// Number, complement, data and checksum follow the SOH.
constexpr std::size_t kBlockRest = 2 + kPayloadSize + 1;
constexpr int kCancelRunToQuit = 5;

std::chrono::milliseconds Ms(const std::atomic<int>& value)
{
    return std::chrono::milliseconds(std::max(1, value.load()));
}

// The destination check a DOS tool makes before it starts: a valid 8.3 name in an existing
// directory, not a directory itself. Returns the absolute path, or the line to print.
struct Destination {
    std::string path;
    std::string refusal;
};

Destination CheckDestination(const DosFileSystem& fs, const std::string& typed)
{
    const auto absolute = fs.absolutePath(typed);
    if (!absolute) {
        return {{}, "Invalid path"};
    }
    const auto split = absolute->find_last_of('\\');
    const std::string name = absolute->substr(split + 1);
    const std::string folder = split <= 2 ? absolute->substr(0, 3) : absolute->substr(0, split);
    if (!DosFileSystem::isValidName(name)) {
        return {{}, "Invalid file name"};
    }
    if (!fs.isDirectory(folder)) {
        return {{}, "Invalid path"};
    }
    if (fs.isDirectory(*absolute)) {
        return {{}, "Unable to create file"};
    }
    return {*absolute, {}};
}

class Receiver {
public:
    Receiver(CommandContext& context, TransferToolOptions& options, std::string path)
        : c_(context), options_(options), path_(std::move(path)),
          // Each transfer draws its storms afresh, the same ones in every run with the seed.
          storms_(context.faults.noiseSeed.load() + transfersStarted_++)
    {
    }

    void run();

private:
    enum class Verdict { Accepted, Repeated, Bad, Refused, OutOfSequence, CancelFault };

    std::optional<std::uint8_t> inviteFirstBlock();
    Verdict takeBlock();
    bool inNakStorm(int fileBlock);
    void stayQuiet();
    void send(std::uint8_t byte) { c_.io.write(std::string(1, static_cast<char>(byte))); }
    // The EOT: true when the tool has ended (Faults::transferEnd says how).
    bool endFile(std::uint64_t noiseAtLastAnswer);
    void abort(const std::string& line);
    void store();

    CommandContext& c_;
    TransferToolOptions& options_;
    std::string path_;
    std::string data_;
    std::uint8_t expected_ = 1;
    int accepted_ = 0;
    int refusalsOfFaultBlock_ = 0;
    int corruptionsDone_ = 0;
    std::mt19937 storms_;
    int stormBlock_ = 0;
    int stormLeft_ = 0;
    static inline std::atomic<std::uint32_t> transfersStarted_{0};
};

void Receiver::run()
{
    if (options_.silent.load()) {
        stayQuiet();
        return;
    }
    std::optional<std::uint8_t> pending = inviteFirstBlock();
    if (!pending) {
        if (!c_.io.stopRequested()) {
            c_.io.writeLine("Transfer timed out");
        }
        return;
    }
    int errors = 0;
    int cancelRun = 0;
    std::uint64_t noiseAtLastAnswer = c_.faults.injectedReceived.load();
    for (;;) {
        const auto byte = pending ? pending : c_.io.readByte(Ms(options_.blockTimeoutMs));
        pending.reset();
        if (c_.io.stopRequested()) {
            return;
        }
        if (!byte) {
            if (++errors >= options_.errorLimit.load()) {
                abort("Transfer timed out");
                return;
            }
            send(kNak);
            continue;
        }
        if (*byte == kCan) {
            if (++cancelRun >= kCancelRunToQuit) {
                c_.io.writeLine("Transfer cancelled");
                return;
            }
            continue;
        }
        cancelRun = 0;
        if (*byte == kEot) {
            if (endFile(noiseAtLastAnswer)) {
                return;
            }
            continue;
        }
        if (*byte != kSoh) {
            continue; // noise between blocks
        }
        noiseAtLastAnswer = c_.faults.injectedReceived.load();
        switch (takeBlock()) {
        case Verdict::Accepted:
        case Verdict::Repeated:
            errors = 0;
            send(kAck);
            break;
        case Verdict::Refused:
            send(kNak);
            break;
        case Verdict::Bad:
            if (++errors >= options_.errorLimit.load()) {
                abort("Too many errors");
                return;
            }
            send(kNak);
            break;
        case Verdict::OutOfSequence:
            abort("Block out of sequence");
            return;
        case Verdict::CancelFault:
            abort("Transfer cancelled by receiver");
            return;
        }
    }
}

std::optional<std::uint8_t> Receiver::inviteFirstBlock()
{
    const std::uint8_t invitation = options_.askForCrc.load() ? 'C' : kNak;
    for (int round = 0; round < options_.inviteLimit.load(); ++round) {
        send(invitation);
        const auto until = std::chrono::steady_clock::now() + Ms(options_.inviteIntervalMs);
        for (auto now = std::chrono::steady_clock::now(); now < until;
             now = std::chrono::steady_clock::now()) {
            const auto byte =
                c_.io.readByte(std::chrono::duration_cast<std::chrono::milliseconds>(until - now));
            if (c_.io.stopRequested()) {
                return std::nullopt;
            }
            // Whatever else arrives (the tail of the command line, noise) is no answer.
            if (byte && (*byte == kSoh || *byte == kEot || *byte == kCan)) {
                return byte;
            }
        }
    }
    return std::nullopt;
}

Receiver::Verdict Receiver::takeBlock()
{
    const std::uint64_t noiseBefore = c_.faults.injectedReceived.load();
    std::array<std::uint8_t, kBlockRest> block{};
    for (auto& byte : block) {
        const auto got = c_.io.readByte(Ms(options_.byteTimeoutMs));
        if (!got) {
            return Verdict::Bad;
        }
        byte = *got;
    }
    const std::uint8_t number = block[0];
    const std::uint8_t complement = block[1];
    const auto payload = block.begin() + 2;
    const int fileBlock = accepted_ + 1;

    if (number == expected_ && fileBlock == options_.corruptBlock.load() &&
        corruptionsDone_ < options_.corruptTimes.load()) {
        ++corruptionsDone_;
        payload[kPayloadSize / 2] ^= 0x5A;
    }
    if (static_cast<std::uint8_t>(number + complement) != 0xFF) {
        return Verdict::Bad;
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < kPayloadSize; ++i) {
        sum = static_cast<std::uint8_t>(sum + payload[i]);
    }
    if (sum != block[kBlockRest - 1]) {
        return Verdict::Bad;
    }
    if (number == expected_) {
        if (fileBlock == options_.cancelAtBlock.load()) {
            return Verdict::CancelFault;
        }
        if (fileBlock == options_.nakBlock.load() &&
            refusalsOfFaultBlock_ < options_.nakTimes.load()) {
            ++refusalsOfFaultBlock_;
            return Verdict::Refused;
        }
        if (inNakStorm(fileBlock)) {
            return Verdict::Refused;
        }
        data_.append(payload, payload + kPayloadSize);
        if (c_.faults.injectedReceived.load() != noiseBefore) {
            ++c_.faults.noisyBlocksTaken;
        }
        ++accepted_;
        ++expected_;
        return Verdict::Accepted;
    }
    // The sender missed our ACK and sent the last block again.
    if (accepted_ > 0 && number == static_cast<std::uint8_t>(expected_ - 1)) {
        return Verdict::Repeated;
    }
    return Verdict::OutOfSequence;
}

bool Receiver::inNakStorm(int fileBlock)
{
    if (fileBlock != stormBlock_) {
        stormBlock_ = fileBlock;
        stormLeft_ = 0;
        const int percent = c_.faults.nakStormPercent.load();
        if (percent > 0 && std::uniform_int_distribution<int>(0, 99)(storms_) < percent) {
            stormLeft_ = std::max(1, c_.faults.nakStormLength.load());
            ++c_.faults.injected;
        }
    }
    if (stormLeft_ == 0) {
        return false;
    }
    --stormLeft_;
    return true;
}

void Receiver::stayQuiet()
{
    int cancelRun = 0;
    int silentRounds = 0;
    while (silentRounds < options_.inviteLimit.load() && !c_.io.stopRequested()) {
        const auto byte = c_.io.readByte(Ms(options_.inviteIntervalMs));
        if (!byte) {
            ++silentRounds;
            continue;
        }
        silentRounds = 0;
        cancelRun = *byte == kCan ? cancelRun + 1 : 0;
        if (cancelRun >= kCancelRunToQuit) {
            c_.io.writeLine("Transfer cancelled");
            return;
        }
    }
}

bool Receiver::endFile(std::uint64_t noiseAtLastAnswer)
{
    switch (c_.faults.transferEnd.load()) {
    case Faults::kTransferEndUnanswered:
        return false; // as if the EOT were lost on the line
    case Faults::kTransferEndRefused:
        abort("Transfer failed");
        return true;
    case Faults::kTransferEndAckedNotKept:
        send(kAck);
        c_.io.writeLine("Transfer failed");
        return true;
    case Faults::kTransferEndRefusedKept:
        static_cast<void>(c_.fs.writeFileChecked(path_, std::move(data_)));
        abort("Transfer failed");
        return true;
    default:
        break;
    }
    if (c_.faults.injectedReceived.load() != noiseAtLastAnswer) {
        ++c_.faults.noisyEotsTaken;
    }
    send(kAck);
    store();
    return true;
}

void Receiver::abort(const std::string& line)
{
    send(kCan);
    send(kCan);
    c_.io.writeLine(line);
}

void Receiver::store()
{
    const std::size_t size = data_.size();
    switch (c_.fs.writeFileChecked(path_, std::move(data_))) {
    case FsError::None:
        c_.io.writeLine("File received: " + std::to_string(size) + " bytes");
        return;
    case FsError::DiskFull:
        c_.io.writeLine("Insufficient disk space");
        return;
    default:
        c_.io.writeLine("Unable to create file");
        return;
    }
}

void TransferCommand(CommandContext& context, TransferToolOptions& options)
{
    const std::string& arguments = context.arguments;
    if (arguments.size() < 4 || arguments[0] != '/' ||
        (arguments[1] != 'R' && arguments[1] != 'r') || arguments[2] != ' ') {
        context.io.writeLine("Usage: transfer /R <file>");
        return;
    }
    const std::string typed =
        arguments.substr(std::min(arguments.find_first_not_of(' ', 3), arguments.size()));
    const Destination destination = CheckDestination(context.fs, typed);
    if (!destination.refusal.empty()) {
        context.io.writeLine(destination.refusal);
        return;
    }
    Receiver(context, options, destination.path).run();
}

} // namespace

void RegisterTransferCommand(Simulator& simulator)
{
    RegisterTransferCommand(simulator, std::make_shared<TransferToolOptions>());
}

void RegisterTransferCommand(Simulator& simulator, std::shared_ptr<TransferToolOptions> options)
{
    simulator.registerCommand(
        "transfer", [options](CommandContext& context) { TransferCommand(context, *options); });
}

} // namespace kora::sim
