// put --watch: upload, then upload again whenever a file changes, until Ctrl-C. The edit,
// build, upload part of the programmer's loop without typing the upload each time.
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include <sys/stat.h>

#include <map>
#include <set>
#include <variant>

#include "cli/Commands.h"
#include "cli/StopSignals.h"
#include "cli/Upload.h"
#include "filelist/LocalPath.h"

namespace kora::cli {

namespace {

// How long a file must stay unchanged before it is sent: an editor or a linker writes a file in
// several steps, and each of them is reported.
constexpr int kSettleMs = 300;
constexpr int kStopPollMs = 100;

// What tells a new version of a file from the one sent: replaced (another inode), resized or
// written (time of the last change). Empty when the file is not there.
struct FileState {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec changed{};

    bool operator==(const FileState& other) const
    {
        return present == other.present && device == other.device && inode == other.inode &&
               size == other.size && changed.tv_sec == other.changed.tv_sec &&
               changed.tv_nsec == other.changed.tv_nsec;
    }
};

FileState StateOf(const QString& argument)
{
    struct stat status {};
    if (::stat(ArgumentPath(argument).c_str(), &status) != 0) {
        return {};
    }
    return {true, status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

class Watch {
public:
    Watch(CliSession& session, QStringList files, std::string folder, std::optional<QString> as,
          UploadStyle style)
        : session_(session), files_(std::move(files)), folder_(std::move(folder)),
          as_(std::move(as)), style_(style)
    {
        settle_.setSingleShot(true);
        settle_.setInterval(kSettleMs);
        QObject::connect(&settle_, &QTimer::timeout, [this] { uploadChanged(); });
        QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged,
                         [this](const QString&) { noticeChange(); });
        // Editors often save by writing a new file and renaming it over the old one: the
        // watch on the file ends, and the change shows in its folder.
        QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged,
                         [this](const QString&) { noticeChange(); });
        stopPoll_.setInterval(kStopPollMs);
        QObject::connect(&stopPoll_, &QTimer::timeout, [this] {
            if (StopSignals::received()) {
                loop_.quit();
            }
        });
    }

    int run()
    {
        const StopSignals stop;
        for (const QString& file : files_) {
            sent_[file] = FileState{};
        }
        watchPaths();
        uploadChanged();
        stopPoll_.start();
        if (!StopSignals::received()) {
            loop_.exec();
        }
        return kExitOk;
    }

private:
    void watchPaths()
    {
        QStringList paths;
        for (const QString& file : files_) {
            const QString local = LocalPathText(ArgumentPath(file));
            paths << local << QFileInfo(local).absolutePath();
        }
        paths.removeDuplicates();
        const QStringList watched = watcher_.files() + watcher_.directories();
        for (const QString& path : paths) {
            if (!watched.contains(path) && QFileInfo::exists(path)) {
                watcher_.addPath(path);
            }
        }
    }

    void noticeChange()
    {
        watchPaths(); // a file renamed over the old one is watched anew
        settle_.start();
    }

    // Sends the files whose state differs from the one last sent, one upload each, and prints
    // one line for each: what arrived, or why it did not.
    void uploadChanged()
    {
        if (uploading_) {
            settle_.start(); // after the current upload
            return;
        }
        uploading_ = true;
        for (const QString& file : files_) {
            const FileState now = StateOf(file);
            if (now == sent_[file] || StopSignals::received()) {
                continue;
            }
            if (upload(file)) {
                sent_[file] = now;
            }
        }
        uploading_ = false;
    }

    bool upload(const QString& file)
    {
        session_.forgetFailure();
        const QString time = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"));
        auto planned = PlanUpload(session_, {file}, folder_, as_);
        if (std::holds_alternative<int>(planned)) {
            return false; // reported
        }
        const UploadPlan& plan = std::get<UploadPlan>(planned);
        const int status = SendUpload(session_, plan, style_);
        // Between uploads the port is free for the window, a terminal or another tool.
        session_.releasePort();
        if (status != kExitOk) {
            return false;
        }
        const PutFile& sent = plan.files.front();
        std::fprintf(session_.out(), "%s uploaded %s%s (%llu bytes)\n",
                     time.toLocal8Bit().constData(), DeviceDirectory(folder_).c_str(),
                     sent.queued.deviceName.c_str(), static_cast<unsigned long long>(sent.size));
        std::fflush(session_.out());
        return true;
    }

    CliSession& session_;
    QStringList files_;
    std::string folder_;
    std::optional<QString> as_;
    UploadStyle style_;
    std::map<QString, FileState> sent_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QTimer stopPoll_;
    QEventLoop loop_;
    bool uploading_ = false;
};

} // namespace

int RunPutWatch(CommandContext& context)
{
    CliSession& session = context.session;
    if (context.options.isSet(QStringLiteral("verify"))) {
        return session.fail(QStringLiteral("put: --watch and --verify do not go together"),
                            kExitUsage);
    }
    QStringList args = context.args;
    const auto folder = UploadFolderArgument(session, args);
    if (const int* status = std::get_if<int>(&folder)) {
        return *status;
    }
    // Every file is checked before the first upload: wrong usage ends the watch before it starts.
    const std::optional<QString> as = AsNameOption(context.options);
    if (const auto planned = PlanUpload(session, args, std::get<std::string>(folder), as);
        std::holds_alternative<int>(planned)) {
        return std::get<int>(planned);
    }
    Watch watch(session, args, std::get<std::string>(folder), as,
                UploadStyleOf(session, context.options));
    return watch.run();
}

} // namespace kora::cli
