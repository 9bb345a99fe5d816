// Local listing figures, on a folder of 100,000 files the benchmark makes (and removes):
//  1. The time until the local panel shows the first screen of that folder (listing, sort,
//     first paint of the report view) next to a bare readdir + stat of the same folder, as a
//     ratio; the median of several runs with the folder in the page cache.
//  2. How many icon/type lookups that first screen costs (about one screen of rows is expected,
//     not 100,000).
#include <QApplication>
#include <QTreeView>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "filelist/ShellEntryInfoProvider.h"
#include "local/LocalBrowser.h"
#include "local/LocalPanel.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFileCount = 100000;
constexpr int kRuns = 7;

double Since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// What any listing of the folder must do at least: read every name and its status.
double BareListing(const std::string& folder, std::uint64_t& total)
{
    const auto start = Clock::now();
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return -1;
    }
    total = 0;
    while (const dirent* item = ::readdir(dir)) {
        struct stat status {};
        if (::fstatat(::dirfd(dir), item->d_name, &status, 0) == 0) {
            total += static_cast<std::uint64_t>(status.st_size);
        }
    }
    ::closedir(dir);
    return Since(start);
}

// Counts the desktop provider's lookups.
class CountedProvider final : public kora::EntryInfoProvider {
public:
    Info lookUpLocal(const kora::LocalItem& item) override
    {
        ++count;
        return real.lookUpLocal(item);
    }
    QVariant icon(int index) const override { return real.icon(index); }
    kora::ShellEntryInfoProvider real;
    std::size_t count = 0;
};

bool MakeFolder(const std::string& folder)
{
    const char* extensions[] = {".txt", ".exe", ".dat", ".cfg", ".bin"};
    for (int i = 0; i < kFileCount; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/file%06d%s", (i * 7919) % kFileCount, extensions[i % 5]);
        const int fd = ::open((folder + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            return false;
        }
        if (i % 10 == 0 && ::ftruncate(fd, i) != 0) {
            ::close(fd);
            return false;
        }
        ::close(fd);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    std::string pattern =
        (std::filesystem::temp_directory_path() / "kora-local-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    struct RemoveFolder {
        std::string path;
        ~RemoveFolder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } cleanup{folder};
    const auto makeStart = Clock::now();
    if (!MakeFolder(folder)) {
        std::perror("creating the files");
        return 1;
    }
    std::printf("made %d files in %.0f ms\n", kFileCount, Since(makeStart));

    kora::LocalPanelController::Wiring wiring;
    auto provider = std::make_unique<CountedProvider>();
    CountedProvider& counted = *provider;
    wiring.infoProvider = std::move(provider);
    kora::LocalPanel panel(nullptr, std::move(wiring));
    panel.resize(600, 500);
    panel.show();
    QApplication::processEvents();

    std::uint64_t total = 0;
    BareListing(folder, total); // into the page cache
    std::vector<double> bare;
    std::vector<double> shown;
    std::vector<double> listed;
    std::size_t firstScreenLookups = 0;
    for (int run = 0; run < kRuns; ++run) {
        bare.push_back(BareListing(folder, total));

        const std::size_t before = counted.count;
        const auto start = Clock::now();
        panel.controller().ShowLocalPath(folder);
        listed.push_back(Since(start));
        panel.grab(); // paints the first screen
        shown.push_back(Since(start));
        firstScreenLookups = counted.count - before;
    }
    const double bareMs = Median(bare);
    const double shownMs = Median(shown);
    const QTreeView& view = *panel.reportView();
    const int rowsOnScreen = view.viewport()->height() / view.sizeHintForRow(0);
    const auto& entries = panel.controller().browser().entries();
    std::printf("%zu entries, %s\n", entries.size(),
                panel.controller().browser().sizeStatusText().c_str());
    std::printf("bare readdir+stat %.1f ms; first screen shown %.1f ms (listing and sort %.1f ms, "
                "first paint %.1f ms); ratio %.2f (goal at most 2)\n",
                bareMs, shownMs, Median(listed), shownMs - Median(listed), shownMs / bareMs);
    std::printf("icon/type lookups for the first screen: %zu, with %d rows on screen\n",
                firstScreenLookups, rowsOnScreen);

    // The icon styles lay all the items out, but look up only those on screen.
    const std::size_t before = counted.count;
    panel.setViewStyle(kora::FileViewStyle::LargeIcons);
    panel.grab();
    std::printf("the same folder in large icons: %zu more lookups\n", counted.count - before);

    const bool ok = entries.size() == static_cast<std::size_t>(kFileCount) &&
                    firstScreenLookups <= static_cast<std::size_t>(rowsOnScreen) * 2;
    return ok ? 0 : 1;
}
