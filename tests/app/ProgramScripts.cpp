#include "ProgramScripts.h"

#include <fstream>
#include <iterator>
#include <thread>

namespace kora::test {

namespace fs = std::filesystem;

void WriteScript(const fs::path& path, const std::string& body, bool executable)
{
    std::ofstream(path) << body;
    fs::permissions(path, executable ? fs::perms(0755) : fs::perms(0644));
}

fs::path WriteArgumentRecorder(const fs::path& folder)
{
    const fs::path path = folder / "record-args";
    // One argument after another, each ending in a NUL: an argument may hold any other byte.
    WriteScript(path, "#!/bin/sh\n"
                      "out=\"$(dirname \"$0\")/args\"\n"
                      ": > \"$out.part\"\n"
                      "for a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$out.part\"; done\n"
                      "mv \"$out.part\" \"$out\"\n");
    return path;
}

fs::path WritePortProbe(const fs::path& folder)
{
    const fs::path path = folder / "probe-port";
    WriteScript(path, "#!/bin/sh\n"
                      "out=\"$(dirname \"$0\")/probe\"\n"
                      "if flock -n \"$1\" true 2>/dev/null; then r=free; else r=held; fi\n"
                      "printf '%s' \"$r\" > \"$out.part\"\n"
                      "mv \"$out.part\" \"$out\"\n");
    return path;
}

std::optional<std::string> WaitForFile(const fs::path& path, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!fs::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

QStringList SplitRecordedArguments(const std::string& recorded)
{
    QStringList arguments;
    std::string::size_type start = 0;
    for (auto end = recorded.find('\0'); end != std::string::npos;
         start = end + 1, end = recorded.find('\0', start)) {
        arguments << QString::fromStdString(recorded.substr(start, end - start));
    }
    return arguments;
}

} // namespace kora::test
