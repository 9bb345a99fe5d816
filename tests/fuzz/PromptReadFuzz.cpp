// The prompt rule and ReadLine fed from a scripted byte source: the input arrives on a real
// pseudo-terminal, and the exchange's read-output loop and prompt wait run over it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "link/ConsoleExchange.h"
#include "link/SerialPort.h"
#include "support/PtyPair.h"
#include "support/RecordingLog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kora;
    // More than a pseudo-terminal buffers would block the writer; the rules do not change with
    // the length beyond a couple of lines.
    if (size > 3000 || size < 1) {
        return 0;
    }
    static test::PtyPair pty; // one line for the whole run; each input is drained first
    SerialPort port(pty.slavePath());
    if (!port.Open()) {
        return 0;
    }
    // The first byte picks the line end and the time-out: 0 ms reads what is there.
    port.LineEnd = (data[0] & 1) != 0 ? 10 : 13;
    port.SetTimeouts(0);
    pty.write(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));

    test::RecordingLog log;
    std::string line;
    std::size_t read = 0;
    for (int lines = 0; lines < 4000; ++lines) {
        line.clear();
        const bool whole = port.ReadLine(kConsoleLineLimit, line);
        KORA_FUZZ_CHECK(line.size() < kConsoleLineLimit);
        KORA_FUZZ_CHECK(!whole ||
                        (!line.empty() && line.back() == static_cast<char>(port.LineEnd)));
        read += line.size();
        if (!whole) {
            break;
        }
        ShowConsoleLine(log, line);
    }
    // The prompt wait's budget bounds it however the line behaves.
    (void)WaitForPrompt(port, log, line, {50, ExchangeTiming::Patient, {}});
    KORA_FUZZ_CHECK(log.lines.size() <= kConsoleLogMaxLines);
    KORA_FUZZ_CHECK(read <= size);
    DrainInput(port);
    return 0;
}
