// A 10,000-entry listing shown in the device panel's report view: how many icon/type lookups
// the first screen costs (about one screen of rows is expected, not 10,000). The paced listing
// of a 100-entry folder is in exchange_bench, under both timings.
#include <QApplication>
#include <QTreeView>
#include <chrono>
#include <cstdio>

#include "device/DeviceBrowser.h"
#include "device/DevicePanel.h"
#include "device/DevicePanelController.h"
#include "filelist/FolderListModel.h"
#include "filelist/ShellEntryInfoProvider.h"
#include "link/DeviceLink.h"

namespace {

using Clock = std::chrono::steady_clock;

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
    const QTreeView& view = *panel.reportView();
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
    return LargeListingLookups();
}
