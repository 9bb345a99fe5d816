// Device listing figures:
//  1. One listing of a 100-entry directory on the simulator paced at 57600 baud, next to the
//     time-out model of the exchange (ratio).
//  2. A 10,000-entry listing shown in the device panel's report view: how many icon/type lookups
//     the first screen costs (about one screen of rows is expected, not 10,000).
#include <QApplication>
#include <QTreeView>
#include <chrono>
#include <cstdio>

#include "device/DeviceBrowser.h"
#include "device/DeviceListModel.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "filelist/ShellEntryInfoProvider.h"
#include "link/ConsoleExchange.h"
#include "link/DeviceLink.h"
#include "support/SimFixture.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kBaud = 57600.0;
constexpr double kByteMs = 10.0 * 1000.0 / kBaud; // 10 bits a byte on the wire
constexpr double kTimeoutMs = 200.0;

// Counts what the exchange shows: commands and output lines with their CR LF.
class CountingLog final : public kora::ConsoleLog {
public:
    int lineCount() const override { return lines; }
    void clear() override {}
    void appendLine(const std::string& text) override
    {
        ++lines;
        bytes += text.size() + 2;
    }
    int lines = 0;
    std::size_t bytes = 0;
};

int PacedListing()
{
    kora::sim::SimulatorOptions options;
    options.baudRate = 57600;
    kora::test::SimRunner runner(options);
    if (!runner.ok()) {
        std::fprintf(stderr, "%s\n", runner.error().c_str());
        return 1;
    }
    auto& fs = runner.sim().fileSystem();
    fs.makeDirectory("D:\\BENCH");
    for (int i = 0; i < 100; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "D:\\BENCH\\FILE%04d.DAT", i);
        fs.writeFile(name, std::string(static_cast<std::size_t>(i) * 97, 'x'));
    }

    CountingLog log;
    const std::string port = runner.portName();
    kora::DeviceBrowser browser(
        [&](const kora::DeviceOperation& op) { return kora::RunDeviceOperation(port, op, log); });
    const auto start = Clock::now();
    browser.ShowDeviceFolder("\\BENCH");
    const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();

    // Drain (one silent read, 2T), then per command: each typed byte costs a write and its echo,
    // the output crosses the wire once, and the end of the output is one silent read (2T).
    const std::size_t commandBytes = 3 + 4 + 6 + 4; // "d:\r", "cd\BENCH\r", "dir\r"
    const std::size_t promptBytes = 3 * std::string("D:\\BENCH>").size();
    const double modelMs = 2 * kTimeoutMs + 3 * 2 * kTimeoutMs +
                           2.0 * static_cast<double>(commandBytes) * kByteMs +
                           static_cast<double>(log.bytes + promptBytes) * kByteMs;
    std::printf("listing of %zu entries at 57600 baud: wall %.0f ms, model %.0f ms, ratio %.2f\n",
                browser.entries().size(), wallMs, modelMs, wallMs / modelMs);
    return browser.entries().size() == 100 ? 0 : 1;
}

// Counts the real provider's lookups.
class CountedProvider final : public kora::EntryInfoProvider {
public:
    Info lookUp(const kora::FolderEntry& entry) override
    {
        ++count;
        return real.lookUp(entry);
    }
    QVariant icon(int index) const override { return real.icon(index); }
    kora::ShellEntryInfoProvider real;
    std::size_t count = 0;
};

int LargeListingLookups()
{
    // The listing comes from generated lines: only the panel's behaviour is measured here.
    auto runner = [](const kora::DeviceOperation& op) {
        const kora::ConsoleStep& dir = op.steps.back();
        char line[64];
        for (int i = 0; i < 10000; ++i) {
            std::snprintf(line, sizeof line, "F%07d %s %13d 05-31-03   6:22a\r\n", i,
                          i % 3 == 0 ? "EXE" : "TXT", i * 10);
            dir.checkLine(line);
        }
        return kora::OperationResult{};
    };
    // The device panel as the main window shows it, in report view.
    kora::DevicePanel panel;
    auto provider = std::make_unique<CountedProvider>();
    CountedProvider& counted = *provider;
    kora::DevicePanelController::Wiring wiring;
    wiring.run = runner;
    wiring.infoProvider = std::move(provider);
    kora::DeviceLink link;
    kora::DevicePanelController controller(panel, link, std::move(wiring));
    panel.resize(600, 500);
    panel.show();

    const auto start = Clock::now();
    controller.browser().ShowDeviceFolder("\\");
    const double listMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();

    const auto paintStart = Clock::now();
    panel.grab();
    const double paintMs =
        std::chrono::duration<double, std::milli>(Clock::now() - paintStart).count();
    const QTreeView& view = *panel.lstviewKora();
    const int rowsOnScreen = view.viewport()->height() / view.sizeHintForRow(0);
    std::printf("10000-entry listing: parse+sort %.0f ms, first paint %.0f ms, %zu lookups for "
                "%d rows on screen\n",
                listMs, paintMs, counted.count, rowsOnScreen);
    const bool reportOk = counted.count <= static_cast<std::size_t>(rowsOnScreen) * 2;

    // The icon styles lay all 10,000 items out, but only those on screen are looked up.
    const std::size_t before = counted.count;
    panel.setViewStyle(kora::FileViewStyle::LargeIcons);
    panel.grab();
    const std::size_t iconLookups = counted.count - before;
    std::printf("same listing in large icons: %zu more lookups\n", iconLookups);
    return reportOk && iconLookups < 1000 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int paced = PacedListing();
    const int large = LargeListingLookups();
    return paced != 0 || large != 0 ? 1 : 0;
}
