// The terminal's teletype printer on any byte stream, with empty polls where the input says.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "RecordingScreen.h"
#include "terminal/TeletypePrinter.h"

#include "FuzzInput.h"

namespace {

class Host final : public kora::PrinterHost {
public:
    bool WithPane(const std::function<void(kora::TerminalScreen&)>& op) override
    {
        op(screen);
        return true;
    }
    void Sleep(std::chrono::milliseconds) override {}

    kora::test::RecordingScreen screen;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Host host;
    kora::TeletypePrinter printer(host);
    for (std::size_t i = 0; i < size; ++i) {
        // 0xFF stands for an empty poll of the queue (the idle rules), every other byte is
        // output of the controller.
        printer.Turn(data[i] == 0xFF ? std::nullopt : std::optional<std::uint8_t>(data[i]));
        // The pane is trimmed back at 512 lines and no held text outgrows a pane line's piece.
        KORA_FUZZ_CHECK(host.screen.lines.size() <= 513);
    }
    for (int i = 0; i < 6; ++i) {
        printer.Turn(std::nullopt);
    }
    KORA_FUZZ_CHECK(host.screen.lines.size() <= 513);
    return 0;
}
