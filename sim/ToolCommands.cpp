#include "sim/ToolCommands.h"

#include <cctype>
#include <thread>

#include "sim/DirListing.h"
#include "sim/DosFileSystem.h"
#include "sim/IoConfigTool.h"
#include "sim/Simulator.h"
#include "sim/TextCase.h"

namespace kora::sim {

namespace {

std::string figure(std::uint64_t bytes, std::size_t width)
{
    std::string text = WithThousands(bytes);
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

void memoryReport(CommandContext& c)
{
    constexpr std::uint64_t kConventional = 655360;
    constexpr std::uint64_t kConventionalFree = 558080;
    constexpr std::uint64_t kExtended = 3145728;
    constexpr std::uint64_t kExtendedFree = 2097152;
    const std::uint64_t disk = c.fs.capacity('D');
    const std::uint64_t diskFree = c.fs.freeBytes('D');
    c.io.writeLine("");
    c.io.writeLine("Memory type          Total        Used   Available");
    c.io.writeLine("-----------   ------------ ----------- -----------");
    auto row = [&](const char* name, std::uint64_t total, std::uint64_t free) {
        c.io.writeLine(std::string(name) + figure(total, 15) + figure(total - free, 12) +
                       figure(free, 12));
    };
    row("Conventional", kConventional, kConventionalFree);
    row("Extended    ", kExtended, kExtendedFree);
    row("Flash D:    ", disk, diskFree);
    c.io.writeLine("");
    c.io.writeLine("Largest executable program size  " + WithThousands(kConventionalFree) +
                   " bytes");
}

// Formats D:. Progress goes out as lines ended by CR alone, the way the tool redraws one
// line on a terminal; the closing line ends with CR LF.
void formatDrive(CommandContext& c)
{
    std::string drive;
    bool confirmed = false;
    std::string rest = c.arguments;
    for (std::size_t start = 0; start < rest.size();) {
        const auto end = std::min(rest.find(' ', start), rest.size());
        const std::string word = upper(rest.substr(start, end - start));
        if (word == "/C")
            confirmed = true;
        else if (!word.empty())
            drive = word;
        start = end + 1;
    }
    if (drive.empty()) {
        c.io.writeLine("Required parameter missing");
        return;
    }
    if (drive != "D:") {
        c.io.writeLine(drive == "C:" ? "Cannot format the system drive" : "Invalid drive");
        return;
    }
    if (!confirmed) {
        c.io.writeLine("Formatting erases D:. Type C:\\DLFMT D: /C to confirm.");
        return;
    }
    for (int percent = 0; percent <= 100; percent += 10) {
        c.io.write("Formatting D: " + figure(static_cast<unsigned>(percent), 3) + "% done\r");
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        if (c.io.stopRequested())
            return;
    }
    if (c.fs.format('D') != FsError::None) {
        c.io.writeLine("Format failed");
        return;
    }
    c.io.writeLine("Format complete, " + WithThousands(c.fs.freeBytes('D')) + " bytes available");
}

void abortWhenIdle(CommandContext& c)
{
    // Reached only at the prompt: a running program reads "A" itself.
    c.io.writeLine("No program is running");
}

} // namespace

void RegisterToolCommands(Simulator& simulator)
{
    simulator.registerCommand("mem", memoryReport);
    simulator.registerCommand("dlfmt", formatDrive);
    simulator.registerCommand("a", abortWhenIdle);
    RegisterIoConfigTool(simulator);
}

} // namespace kora::sim
