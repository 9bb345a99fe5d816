#include "ScriptedReceiver.h"

#include "transfer/XmodemProtocol.h"

namespace kora::test {

namespace {

constexpr auto kPoll = std::chrono::milliseconds(5);
constexpr auto kByteGap = std::chrono::milliseconds(1000);

} // namespace

ScriptedReceiver::ScriptedReceiver(PtyPair& line, Script script)
    : line_(line), script_(std::move(script))
{
    if (!script_.answerFrame) {
        script_.answerFrame = [](std::size_t, const Frame&) { return std::string(1, xmodem::ACK); };
    }
    if (!script_.answerEot) {
        script_.answerEot = [](int) { return std::string(1, xmodem::ACK); };
    }
    thread_ = std::thread([this] { run(); });
}

ScriptedReceiver::~ScriptedReceiver()
{
    stop();
}

void ScriptedReceiver::stop()
{
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::string ScriptedReceiver::command() const
{
    std::lock_guard lock(mutex_);
    return command_;
}

std::vector<ScriptedReceiver::Frame> ScriptedReceiver::frames() const
{
    std::lock_guard lock(mutex_);
    return frames_;
}

std::vector<std::uint8_t> ScriptedReceiver::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

int ScriptedReceiver::eotCount() const
{
    std::lock_guard lock(mutex_);
    return eots_;
}

void ScriptedReceiver::record(std::uint8_t byte)
{
    std::lock_guard lock(mutex_);
    received_.push_back(byte);
}

bool ScriptedReceiver::takeCommand()
{
    int position = 0;
    for (;;) {
        const auto byte = line_.readByte(kPoll);
        if (!byte) {
            if (stop_) {
                return false;
            }
            continue;
        }
        if (*byte == '\b' && position == 0) {
            continue; // as on a DOS console: a backspace on an empty line does nothing
        }
        ++position;
        {
            std::lock_guard lock(mutex_);
            command_.push_back(static_cast<char>(*byte));
        }
        if (position == script_.wrongEchoAt) {
            line_.write(static_cast<std::uint8_t>(*byte ^ 0x20));
            return false;
        }
        if (script_.echo) {
            line_.write(*byte);
            if (position == script_.doubleEchoAt) {
                line_.write(*byte);
            }
        }
        if (*byte == '\r') {
            line_.write(script_.afterEcho);
            return true;
        }
    }
}

void ScriptedReceiver::handleFrame()
{
    Frame frame{xmodem::SOH};
    record(xmodem::SOH);
    while (frame.size() < 132) {
        const auto byte = line_.readByte(kByteGap);
        if (!byte) {
            break;
        }
        frame.push_back(*byte);
        record(*byte);
    }
    std::size_t index = 0;
    {
        std::lock_guard lock(mutex_);
        index = frames_.size();
        frames_.push_back(frame);
    }
    frameCount_ = index + 1;
    line_.write(script_.answerFrame(index, frame));
}

void ScriptedReceiver::run()
{
    if (!takeCommand()) {
        // Keep recording whatever still comes, so a test can see that nothing did.
        for (;;) {
            if (const auto byte = line_.readByte(kPoll)) {
                record(*byte);
            } else if (stop_) {
                return;
            }
        }
    }
    bool inviting = script_.inviteEvery.count() > 0;
    auto nextInvite = std::chrono::steady_clock::now();
    int cancelRun = 0;
    bool ended = false;
    for (;;) {
        if (inviting && !stop_ && std::chrono::steady_clock::now() >= nextInvite) {
            line_.write(script_.invite);
            nextInvite += script_.inviteEvery;
        }
        const auto byte = line_.readByte(kPoll);
        if (!byte) {
            // Stops only once the line is quiet, so nothing the sender wrote goes unseen.
            if (stop_) {
                return;
            }
            continue;
        }
        cancelRun = *byte == xmodem::CAN ? cancelRun + 1 : 0;
        if (*byte == xmodem::SOH && !ended) {
            inviting = false;
            handleFrame();
        } else if (*byte == xmodem::EOT && !ended) {
            record(*byte);
            int index = 0;
            {
                std::lock_guard lock(mutex_);
                index = ++eots_;
            }
            const std::string answer = script_.answerEot(index);
            line_.write(answer);
            if (answer.find(static_cast<char>(xmodem::ACK)) != std::string::npos) {
                line_.write(script_.afterEot);
                ended = true;
            }
        } else {
            record(*byte);
            if (cancelRun == 5 && !ended) {
                inviting = false;
                line_.write(script_.afterCancel);
                ended = true;
            }
        }
    }
}

} // namespace kora::test
