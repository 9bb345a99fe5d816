#include "link/ConsoleLogFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

namespace kora {
namespace {

// Held while the tap is used, so that the log is never dropped under a reader.
std::mutex gTapMutex;
ConsoleLogFile* gReceiveTap = nullptr;
// Read without the lock first: a port read with no log costs one atomic load.
std::atomic<bool> gTapSet{false};

} // namespace

std::string ConsoleLogTimeStamp()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    char withMillis[40];
    std::snprintf(withMillis, sizeof withMillis, "%.*s.%03d", static_cast<int>(length), text,
                  static_cast<int>(millis));
    return withMillis;
}

std::unique_ptr<ConsoleLogFile> ConsoleLogFile::Open(const std::string& path, Mode mode,
                                                     std::string* error)
{
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!fd) {
        if (error != nullptr) {
            *error = "cannot write to '" + path + "': " + std::strerror(errno);
        }
        return nullptr;
    }
    return std::unique_ptr<ConsoleLogFile>(new ConsoleLogFile(std::move(fd), path, mode));
}

ConsoleLogFile::ConsoleLogFile(UniqueFd fd, std::string path, Mode mode)
    : fd_(std::move(fd)), path_(std::move(path)), mode_(mode)
{
}

void ConsoleLogFile::writeAll(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd_.get(), bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return; // a full disk must not stop the exchange; the log simply ends there
        }
        done += static_cast<std::size_t>(written);
    }
}

void ConsoleLogFile::line(const std::string& text)
{
    if (mode_ != Mode::Lines) {
        return;
    }
    const std::string entry = ConsoleLogTimeStamp() + "  " + text + "\n";
    const std::lock_guard<std::mutex> lock(mutex_);
    writeAll(entry);
}

void ConsoleLogFile::received(const std::uint8_t* bytes, std::size_t count)
{
    if (mode_ != Mode::RawReceived || count == 0) {
        return;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    writeAll(std::string(reinterpret_cast<const char*>(bytes), count));
}

void ConsoleLogFile::receivedStream(const std::uint8_t* bytes, std::size_t count)
{
    if (mode_ == Mode::RawReceived) {
        return; // the port's tap has them already
    }
    for (std::size_t i = 0; i < count; ++i) {
        const char c = static_cast<char>(bytes[i]);
        if (c == '\n') {
            line(pendingLine_);
            pendingLine_.clear();
        } else if (c != '\r') {
            pendingLine_ += c;
        }
    }
}

void ConsoleLogFile::finishStream()
{
    if (!pendingLine_.empty()) {
        line(pendingLine_);
        pendingLine_.clear();
    }
}

void ConsoleLogFile::SetActive(ConsoleLogFile* log)
{
    const std::lock_guard<std::mutex> lock(gTapMutex);
    gReceiveTap = log;
    gTapSet.store(log != nullptr);
}

template <typename Use> static void WithActive(const Use& use)
{
    if (!gTapSet.load(std::memory_order_relaxed)) {
        return;
    }
    const std::lock_guard<std::mutex> lock(gTapMutex);
    if (gReceiveTap != nullptr) {
        use(*gReceiveTap);
    }
}

void ConsoleLogFile::TapReceived(const std::uint8_t* bytes, std::size_t count)
{
    WithActive([&](ConsoleLogFile& log) { log.received(bytes, count); });
}

void ConsoleLogFile::LogShownLine(const std::string& text)
{
    WithActive([&](ConsoleLogFile& log) { log.line(text); });
}

void ConsoleLogFile::LogShownStream(const std::uint8_t* bytes, std::size_t count)
{
    WithActive([&](ConsoleLogFile& log) { log.receivedStream(bytes, count); });
}

void ConsoleLogFile::FinishShownStream()
{
    WithActive([](ConsoleLogFile& log) { log.finishStream(); });
}

} // namespace kora
