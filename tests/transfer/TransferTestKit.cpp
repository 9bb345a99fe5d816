#include "TransferTestKit.h"

#include <QCoreApplication>

#include <fstream>
#include <random>
#include <thread>

namespace kora::test {

std::filesystem::path TempFolder::write(const std::string& name,
                                        const std::vector<std::uint8_t>& bytes) const
{
    const auto file = path() / name;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return file;
}

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::uint8_t> bytes(count);
    for (auto& value : bytes) {
        value = static_cast<std::uint8_t>(byte(generator));
    }
    return bytes;
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> PaddedTo128(std::vector<std::uint8_t> bytes, std::uint8_t pad)
{
    while (bytes.size() % 128 != 0) {
        bytes.push_back(pad);
    }
    return bytes;
}

bool OpenTransferPort(SerialPort& port, std::uint32_t timeoutMs)
{
    return port.Open() && port.SetCommParams(57600, 8, Parity::None, StopBits::One) &&
           port.SetTimeouts(timeoutMs);
}

std::int32_t RunUpload(TThreadXModem& worker, std::chrono::milliseconds limit,
                       const std::function<void(TThreadXModem&)>& onPoll)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    worker.Resume();
    while (worker.TransferResult.load() == TThreadXModem::kRunning) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (onPoll) {
            onPoll(worker);
        }
        if (std::chrono::steady_clock::now() > deadline) {
            worker.CancelRequested = true;
            return TThreadXModem::kRunning;
        }
    }
    return worker.TransferResult.load();
}

void TransferToolTest::SetUp()
{
    options_->inviteIntervalMs = 100;
    sim::RegisterTransferCommand(simulator_, options_);
    std::string error;
    ASSERT_TRUE(simulator_.start(&error)) << error;
}

} // namespace kora::test
