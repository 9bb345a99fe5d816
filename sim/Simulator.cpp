#include "sim/Simulator.h"

#include <system_error>

#include "sim/ByteLog.h"
#include "sim/ConsoleSession.h"
#include "sim/PtyLine.h"
#include "sim/SampleDrives.h"
#include "sim/ToolCommands.h"
#include "sim/XmodemReceiver.h"

namespace kora::sim {

Simulator::Simulator(SimulatorOptions options)
    : options_(std::move(options)), byteLog_(std::make_unique<ByteLog>())
{
    // Every command the console runs by name, beyond its internal ones, is registered here.
    RegisterToolCommands(*this);
    RegisterTransferCommand(*this);
    if (options_.ioConfiguration)
        InstallIoConfiguration(fileSystem_, *options_.ioConfiguration);
}

Simulator::~Simulator()
{
    stop();
    std::lock_guard lock(publishMutex_);
    if (!publishedLink_.empty()) {
        std::error_code ec;
        std::filesystem::remove(publishedLink_, ec);
    }
}

void Simulator::registerCommand(std::string baseName, CommandHandler handler)
{
    commands_.add(ConsoleSession::CommandKey(baseName), std::move(handler));
}

void Simulator::beforeEachCommand(CommandHandler handler)
{
    commands_.setBeforeEach(std::move(handler));
}

bool Simulator::start(std::string* error)
{
    // The line was hung up: its console has finished, or is finishing (the client may see the
    // hang-up before the console's thread has ended).
    if (thread_.joinable() && (consoleEnded_.load() || faults_.hangUp.load()))
        thread_.join();
    if (thread_.joinable()) {
        if (error)
            *error = "the simulator is already running";
        return false;
    }
    if (!options_.hostDriveD.empty() && !fileSystem_.mountHostFolder(options_.hostDriveD, error))
        return false;
    if (options_.flood)
        AddFloodProgram(fileSystem_);
    if (!byteLog_->open(options_.byteLog)) {
        if (error)
            *error = "cannot write the byte log " + options_.byteLog.string();
        return false;
    }
    auto line = std::make_unique<PtyLine>(options_.baudRate, *byteLog_,
                                          std::chrono::milliseconds(options_.usbLatencyMs));
    if (!line->open(error))
        return false;
    line->setNoise(&noise_);
    {
        std::lock_guard lock(publishMutex_);
        line_ = std::move(line);
        terminalPath_ = line_->terminalPath();
    }
    stopRequested_ = false;
    consoleEnded_ = false;
    faults_.hangUp = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void Simulator::run()
{
    UsePreciseSleeps();
    ConsoleSession session(
        {*line_, fileSystem_, faults_, commands_, stopRequested_, bytesReceived_, bytesSent_});
    session.run();
    byteLog_->flush();
    consoleEnded_ = true;
}

void Simulator::stop()
{
    if (!thread_.joinable())
        return;
    stopRequested_ = true;
    line_->wake();
    thread_.join();
    line_->hangUp();
}

std::string Simulator::terminalPath() const
{
    std::lock_guard lock(publishMutex_);
    return terminalPath_;
}

bool Simulator::publishAs(const std::filesystem::path& portsFolder, const std::string& comName)
{
    std::lock_guard lock(publishMutex_);
    if (terminalPath_.empty())
        return false;
    std::error_code ec;
    std::filesystem::create_directories(portsFolder, ec);
    const auto link = portsFolder / comName;
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(terminalPath_, link, ec);
    if (ec)
        return false;
    if (!publishedLink_.empty() && publishedLink_ != link)
        std::filesystem::remove(publishedLink_, ec);
    publishedLink_ = link;
    return true;
}

} // namespace kora::sim
