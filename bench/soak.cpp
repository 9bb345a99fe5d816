// The whole link under faults: the simulator adds line noise, NAK storms, output pauses, now
// and then a hang-up and return, output cut off by a hang-up or silence after some lines, a
// read-out without its end record, and before an exchange a stray byte left in the console's
// line or its current directory changed behind the client's back, while the core code the
// window uses runs a mix of operations on it, one a round: listings, make directory, rename,
// delete, uploads of random files and I/O configuration read-outs. After every round it checks
//  - that an operation which reported success did what it said: the soak folder on the
//    simulated D: holds exactly the entries the client believes in, each uploaded file
//    byte-exact up to the zero padding of its last block;
//  - that a failure reported one of the messages the window knows for that operation (after a
//    failure the client's beliefs are taken from D: again: it may or may not have happened);
//  - that no descriptor, thread or lock file was left behind;
//  - that nothing on the simulated C: or D: changed outside D:\SOAK, the directory every
//    operation means (the whole of both drives is compared before and after each round);
//  - that a reading reported as success was complete: a listing with every entry of D:\SOAK
//    and its "bytes free" line, an I/O read-out with every slot and its end record, neither cut
//    off by a hang-up or silence; and that a listing shown as D:\SOAK is not another directory's.
// It prints the rounds, faults, the operations tried, succeeded (verified) and failed (with a
// message the window knows, or not), the retries the exchange made, mismatches (which must be 0)
// files changed outside D:\SOAK and incomplete readings taken for success (each must be 0 as
// well) and the p50/p99 time of each kind of operation. An upload the controller's receiver stored
// wrong because a block changed by noise passed its 8-bit checksum, or because it took a noisy
// byte for the end of the file (the simulator counts both) is counted apart: no sender can see
// it.
//
//   soak [--rounds N] [--noise PER_MILLION] [--seed S] [--stray PERCENT] [--external-cd PERCENT]
//        [--cut-off PERCENT] [--verbose]
// (a stray byte and an external cd: each exchange's chance, 8 by default; a cut-off: each
// round's, 5 by default)
#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "device/DeviceListing.h"
#include "device/DeviceOperations.h"
#include "ioconf/IoConfigExchange.h"
#include "link/ConsoleExchange.h"
#include "link/PortFailureText.h"
#include "link/SerialPort.h"
#include "sim/DosFileSystem.h"
#include "sim/Faults.h"
#include "sim/IoConfigTool.h"
#include "support/SimFixture.h"
#include "support/TempDir.h"
#include "transfer/CopyPlan.h"

namespace {

using namespace kora;
using Clock = std::chrono::steady_clock;

const std::string kFolder = "\\SOAK";
const std::string kDeviceFolder = "D:\\SOAK";

struct Options {
    int rounds = 200;
    int noisePerMillion = 1500;
    std::uint32_t seed = 1;
    bool verbose = false;
    int strayPercent = 8;      // per exchange
    int externalCdPercent = 8; // per exchange
    int cutOffPercent = 5;     // per round
};

std::optional<Options> ParseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (i + 1 >= argc) {
            return std::nullopt;
        }
        const long value = std::strtol(argv[++i], nullptr, 10);
        if (flag == "--rounds") {
            options.rounds = static_cast<int>(value);
        } else if (flag == "--noise") {
            options.noisePerMillion = static_cast<int>(value);
        } else if (flag == "--seed") {
            options.seed = static_cast<std::uint32_t>(value);
        } else if (flag == "--stray" || flag == "--external-cd" || flag == "--cut-off") {
            if (value < 0 || value > 100) {
                return std::nullopt;
            }
            (flag == "--stray"         ? options.strayPercent
             : flag == "--external-cd" ? options.externalCdPercent
                                       : options.cutOffPercent) = static_cast<int>(value);
        } else {
            return std::nullopt;
        }
    }
    return options;
}

// What the client believes an entry of the soak folder is: a folder, or a file whose bytes it
// sent (stored padded with zeros to whole 128-byte blocks).
struct Belief {
    bool isFolder = false;
    std::string content;
    friend bool operator==(const Belief&, const Belief&) = default;
};
using Beliefs = std::map<std::string, Belief>;

std::string Padded(std::string bytes)
{
    bytes.resize((bytes.size() + 127) / 128 * 128, '\0');
    return bytes;
}

// The soak folder as the simulator holds it.
Beliefs ActualFolder(sim::DosFileSystem& fs)
{
    Beliefs actual;
    for (const sim::DosEntry& entry :
         fs.list(kDeviceFolder).value_or(std::vector<sim::DosEntry>{})) {
        if (entry.name == "." || entry.name == "..") {
            continue;
        }
        Belief belief{entry.isDirectory, {}};
        if (!entry.isDirectory) {
            belief.content = fs.readFile(kDeviceFolder + "\\" + entry.name).value_or("");
        }
        actual[entry.name] = belief;
    }
    return actual;
}

// Every file and directory of both drives by full path, for the check that nothing changed
// outside the soak folder.
using Snapshot = std::map<std::string, Belief>;

Snapshot TakeSnapshot(sim::DosFileSystem& fs)
{
    Snapshot all;
    std::vector<std::string> directories{"C:\\", "D:\\"};
    for (std::size_t next = 0; next < directories.size(); ++next) {
        const std::string parent = directories[next];
        for (const sim::DosEntry& entry : fs.list(parent).value_or(std::vector<sim::DosEntry>{})) {
            const std::string path = (parent.ends_with('\\') ? parent : parent + "\\") + entry.name;
            if (entry.isDirectory) {
                directories.push_back(path);
                all[path] = Belief{true, {}};
            } else {
                all[path] = Belief{false, fs.readFile(path).value_or("")};
            }
        }
    }
    return all;
}

std::string ParentOf(const std::string& path)
{
    const auto cut = path.rfind('\\');
    return cut <= 2 ? path.substr(0, 3) : path.substr(0, cut);
}

std::size_t CountEntries(const std::filesystem::path& folder)
{
    std::error_code ec;
    std::size_t count = 0;
    for (auto it = std::filesystem::directory_iterator(folder, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        ++count;
    }
    return count;
}

struct Resources {
    std::size_t descriptors = 0;
    std::size_t threads = 0;
    std::size_t lockFiles = 0;
    friend bool operator==(const Resources&, const Resources&) = default;
};

Resources Measure(const std::filesystem::path& lockFolder)
{
    return {CountEntries("/proc/self/fd"), CountEntries("/proc/self/task"),
            CountEntries(lockFolder)};
}

// The console pane as the soak needs it: how many lines it holds (the pane is cleared at 300),
// and how many of them were retries of the exchange (a command typed again, a reading read
// again).
class RetryCountingLog final : public ConsoleLog {
public:
    int lineCount() const override { return lines_; }
    void clear() override { lines_ = 0; }
    void appendLine(const std::string& text) override
    {
        ++lines_;
        retries_ += text.starts_with(kRetryLinePrefix) ? 1 : 0;
    }
    int retries() const { return retries_; }

private:
    int lines_ = 0;
    int retries_ = 0;
};

// What one operation reported, and which failure messages it may rightly give.
struct Outcome {
    bool ok = false;
    std::string message;
};

struct Timings {
    std::map<std::string, std::vector<double>> ms;
    void add(const std::string& kind, Clock::duration took)
    {
        ms[kind].push_back(std::chrono::duration<double, std::milli>(took).count());
    }
};

double Percentile(std::vector<double> values, double share)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[index];
}

class Soak {
public:
    Soak(Options options, test::SimRunner& runner, std::filesystem::path lockFolder,
         std::filesystem::path work)
        : options_(options), runner_(runner), lockFolder_(std::move(lockFolder)),
          work_(std::move(work)), random_(options.seed)
    {
    }

    int run();

private:
    using Check = std::function<bool(const std::string& message)>;

    void prepare();
    void injectRoundFaults();
    // The stray byte and the external cd, each with its chance, before an exchange.
    void injectExchangeFaults();
    void endRoundFaults();
    void checkOutside(const Snapshot& before, int round, const std::string& kind);
    // Whether a cut-off armed for the round fired since `armed` was taken.
    bool cutOffFired(bool armed) const;
    void judgeListing(const DirectoryListing& listing, bool cutOff);
    void judgeReadOut(const IoConfigTable& table, bool cutOff);
    void incomplete(const std::string& what);
    void restoreAfterHangUp();
    // One operation; returns its kind.
    std::string operate();
    Outcome runDevice(const DeviceOperation& op);
    void judge(const std::string& kind, const Outcome& outcome, const Beliefs& expected,
               const Check& knownFailure);
    bool sendFailure(const DeviceOperation& op, const std::string& message) const;
    bool openFailure(const std::string& message) const;
    std::string pickName(bool folder);
    std::optional<std::string> pickExisting(bool folder, bool empty = false);
    void mismatch(const std::string& what);

    Options options_;
    test::SimRunner& runner_;
    std::filesystem::path lockFolder_;
    std::filesystem::path work_;
    std::mt19937 random_;
    RetryCountingLog log_;
    Beliefs beliefs_;
    std::optional<IoConfigTable> referenceTable_;
    Timings timings_;
    bool hungUp_ = false;

    int failures_ = 0;
    int unknownMessages_ = 0;
    int verified_ = 0;
    int mismatches_ = 0;
    int leaks_ = 0;
    int pauses_ = 0;
    int hangUps_ = 0;
    int differingReadings_ = 0;
    std::optional<std::vector<FolderEntry>> lastListing_; // the entries the last listing showed
    // What the last operation changed, when it succeeded: the window's refresh after it knows.
    std::optional<KnownChange> lastChange_;
    // Lists the soak folder as the window does: the last listing shown and the last operation's
    // change go with it.
    Outcome listSoakFolder(DirectoryListing& listing, DeviceOperation& op);
    std::optional<IoConfigTable> lastReadOut_; // the last read-out taken
    int checksumBlind_ = 0;
    int outsideChanges_ = 0;
    int incompleteReadings_ = 0;
    int cutOffs_ = 0;
    int endlessReadOuts_ = 0;
    bool cutOffArmed_ = false;
    int cutOffLines_ = 0;
};

void Soak::incomplete(const std::string& what)
{
    ++incompleteReadings_;
    std::printf("INCOMPLETE READING TAKEN FOR SUCCESS: %s\n", what.c_str());
}

bool Soak::cutOffFired(bool armed) const
{
    const auto& faults = runner_.sim().faults();
    return armed && faults.hangUpAfterLines.load() == 0 && faults.silentAfterLines.load() == 0;
}

void Soak::judgeListing(const DirectoryListing& listing, bool cutOff)
{
    std::set<std::string> listed;
    for (const FolderEntry& entry : listing.entries) {
        if (entry.name != "." && entry.name != "..") {
            listed.insert(entry.name);
        }
    }
    const Snapshot now = TakeSnapshot(runner_.sim().fileSystem());
    std::map<std::string, std::set<std::string>> directories;
    for (const auto& [path, belief] : now) {
        directories[ParentOf(path)].insert(
            path.substr(ParentOf(path).size() + (ParentOf(path).ends_with('\\') ? 0 : 1)));
    }
    const std::set<std::string>& truth = directories[kDeviceFolder];
    if (listed != truth) {
        for (const auto& [directory, names] : directories) {
            if (directory != kDeviceFolder && !names.empty() && names == listed) {
                mismatch("listing reported success for " + kDeviceFolder + " but showed " +
                         directory);
                return;
            }
        }
    }
    // Cut off after its last line, a listing is whole all the same.
    const std::string cause = cutOff ? " (cut off by a hang-up or silence)" : "";
    if (!listing.freeSpace) {
        incomplete("listing without its \"bytes free\" line" + cause);
    } else if (listed.size() < truth.size()) {
        std::string missing;
        for (const std::string& name : truth) {
            missing += listed.contains(name) ? "" : " " + name;
        }
        incomplete("listing with " + std::to_string(listed.size()) + " of " +
                   std::to_string(truth.size()) + " entries (missing" + missing + ")" + cause);
    } else if (listed != truth) {
        // The lines carry no check sum: noise may change what a listing shows.
        ++differingReadings_;
    }
}

void Soak::judgeReadOut(const IoConfigTable& table, bool cutOff)
{
    // The read-out prints its records alone (no chatter in the soak): cut off after the end
    // record it is whole.
    const std::string records = sim::FormatIoConfiguration(sim::SampleIoConfiguration());
    if (cutOff && cutOffLines_ < std::count(records.begin(), records.end(), '\n')) {
        incomplete("I/O read-out cut off by a hang-up or silence after " +
                   std::to_string(cutOffLines_) + " lines");
        return;
    }
    if (runner_.sim().faults().ioConfigNoEnd.load()) {
        incomplete("I/O read-out without its end record");
        return;
    }
    if (!referenceTable_ || table == *referenceTable_) {
        return;
    }
    for (std::size_t s = 0; s < table.SlotConfig.size(); ++s) {
        const IoSlotConfig& got = table.SlotConfig[s];
        const IoSlotConfig& want = referenceTable_->SlotConfig[s];
        const bool slotLost = want.ModuleType != got.ModuleType && got.ModuleType == kNoModule;
        bool channelLost = false;
        for (std::size_t c = 0; c < got.RangeCode.size(); ++c) {
            channelLost |= want.RangeCode[c] != -1 && got.RangeCode[c] == -1;
        }
        if (slotLost || channelLost) {
            incomplete("I/O read-out missing slot " + std::to_string(s) +
                       (slotLost ? "" : " channels"));
            return;
        }
    }
    ++differingReadings_;
}

void Soak::checkOutside(const Snapshot& before, int round, const std::string& kind)
{
    const Snapshot after = TakeSnapshot(runner_.sim().fileSystem());
    auto report = [&](const std::string& path, const char* how) {
        if (ParentOf(path) == kDeviceFolder) {
            return;
        }
        ++outsideChanges_;
        std::printf("CHANGED OUTSIDE %s after round %d (%s): %s %s\n", kDeviceFolder.c_str(), round,
                    kind.c_str(), path.c_str(), how);
    };
    for (const auto& [path, belief] : before) {
        const auto it = after.find(path);
        if (it == after.end()) {
            report(path, "removed");
        } else if (!(it->second == belief)) {
            report(path, "changed");
        }
    }
    for (const auto& [path, belief] : after) {
        if (!before.contains(path)) {
            report(path, "added");
        }
    }
}

void Soak::mismatch(const std::string& what)
{
    ++mismatches_;
    std::printf("MISMATCH: %s\n", what.c_str());
}

bool Soak::openFailure(const std::string& message) const
{
    // A hang-up shows either when the next operation opens the port or in the middle of it.
    // The exchange itself also refuses to act where the console did not confirm it stands, and
    // refuses a reading that is not whole: those are failures every operation may report.
    return message.starts_with("Unable to open " + runner_.portName() + "!\n\n") ||
           message == LineLostMessage(runner_.portName()) ||
           message.starts_with("The KORA-7740P did not confirm that it is in ") ||
           message.starts_with("The listing of D:") ||
           message.starts_with("The count of the folder's contents") ||
           message == kIncompleteReadOutMessage || message == kUnconfirmedReadOutMessage;
}

bool Soak::sendFailure(const DeviceOperation& op, const std::string& message) const
{
    // Noise on the echo of a step's Enter: the step may have run, and the operation says so.
    return std::any_of(op.steps.begin(), op.steps.end(), [&message](const ConsoleStep& step) {
        return message == (step.sendFailureMessage.empty() ? SendFailureMessage(step.command)
                                                           : step.sendFailureMessage) ||
               message == MayBeRunningMessage(step.command);
    });
}

Outcome Soak::runDevice(const DeviceOperation& op)
{
    const OperationResult result = RunDeviceOperation(runner_.portName(), op, log_);
    return {result.ok, result.message};
}

std::string Soak::pickName(bool folder)
{
    std::uniform_int_distribution<int> pick(0, 7);
    return folder ? "DIR" + std::to_string(pick(random_))
                  : "F" + std::to_string(pick(random_)) + ".BIN";
}

std::optional<std::string> Soak::pickExisting(bool folder, bool empty)
{
    std::vector<std::string> names;
    for (const auto& [name, belief] : beliefs_) {
        if (belief.isFolder == folder) {
            names.push_back(name);
        }
    }
    if (names.empty()) {
        return std::nullopt;
    }
    const std::string name =
        names[std::uniform_int_distribution<std::size_t>(0, names.size() - 1)(random_)];
    if (empty) {
        const auto inside = runner_.sim().fileSystem().list(kDeviceFolder + "\\" + name);
        if (!inside || inside->size() > 2) {
            return std::nullopt;
        }
    }
    return name;
}

void Soak::prepare()
{
    auto& fs = runner_.sim().fileSystem();
    fs.makeDirectory(kDeviceFolder);
    fs.changeDirectory("D:\\");
    // The reference read-out, on a clean line.
    IoConfigTable table;
    if (runDevice(ReadOutOperation(table, 1000)).ok) {
        referenceTable_ = table;
    }
    beliefs_ = ActualFolder(fs);
}

void Soak::injectRoundFaults()
{
    auto& faults = runner_.sim().faults();
    std::uniform_int_distribution<int> percent(0, 99);
    faults.pauseMs = percent(random_) < 10 ? 300 : 0;
    pauses_ += faults.pauseMs > 0 ? 1 : 0;
    faults.pauseAfterLines = 1 + percent(random_) % 4;
    faults.nakStormLength = 2 + percent(random_) % 10; // from ridden out to fatal
    if (percent(random_) < 2) {
        faults.hangUp = true;
        hungUp_ = true;
        ++hangUps_;
    }
    // A hang-up or silence in the middle of some command's output: of a listing or a read-out
    // when one prints that many lines this round.
    cutOffArmed_ = percent(random_) < options_.cutOffPercent;
    if (cutOffArmed_) {
        cutOffLines_ = 1 + percent(random_) % 24;
        (percent(random_) < 50 ? faults.hangUpAfterLines : faults.silentAfterLines) = cutOffLines_;
    }
}

void Soak::injectExchangeFaults()
{
    auto& faults = runner_.sim().faults();
    std::uniform_int_distribution<int> percent(0, 99);
    if (percent(random_) < options_.strayPercent) {
        faults.strayBytesPending = 1;
    }
    if (percent(random_) < options_.externalCdPercent) {
        static constexpr int kKinds[] = {sim::Faults::kCdRootOfD, sim::Faults::kCdDriveC,
                                         sim::Faults::kCdElsewhereOnD};
        faults.externalCd = kKinds[percent(random_) % 3];
    }
}

void Soak::endRoundFaults()
{
    auto& faults = runner_.sim().faults();
    if (cutOffFired(cutOffArmed_)) {
        ++cutOffs_;
    }
    cutOffArmed_ = false;
    faults.hangUpAfterLines = 0;
    faults.silentAfterLines = 0;
    faults.silent = false;
    faults.ioConfigNoEnd = false;
    // A stray byte or a cd that no exchange met stays for the next round, as it would.
}

void Soak::restoreAfterHangUp()
{
    // Hung up at the start of the round, or by a cut-off in the middle of some output.
    if (!hungUp_ && !runner_.sim().faults().hangUp.load()) {
        return;
    }
    hungUp_ = false;
    // The controller comes back: a new line with the same name, D: as it was.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::string error;
    if (!runner_.sim().start(&error) ||
        !runner_.sim().publishAs(runner_.portsFolder(), runner_.portName())) {
        std::printf("cannot restart the simulator: %s\n", error.c_str());
        std::exit(2);
    }
}

void Soak::judge(const std::string& kind, const Outcome& outcome, const Beliefs& expected,
                 const Check& knownFailure)
{
    const Beliefs actual = ActualFolder(runner_.sim().fileSystem());
    if (outcome.ok) {
        if (actual == expected) {
            ++verified_;
        } else {
            std::string what = kind + " reported success; D:\\SOAK differs:";
            for (const auto& [name, belief] : expected) {
                const auto it = actual.find(name);
                if (it == actual.end()) {
                    what += " missing " + name + ";";
                } else if (!(it->second == belief)) {
                    what += " different " + name + ";";
                }
            }
            for (const auto& [name, belief] : actual) {
                if (!expected.contains(name)) {
                    what += " unexpected " + name + ";";
                }
            }
            mismatch(what);
        }
    } else {
        ++failures_;
        if (!knownFailure(outcome.message)) {
            ++unknownMessages_;
            std::printf("UNKNOWN MESSAGE (%s): %s\n", kind.c_str(), outcome.message.c_str());
        }
        if (options_.verbose) {
            std::printf("  %s failed: %s\n", kind.c_str(), outcome.message.c_str());
        }
    }
    // A failure may or may not have happened; a mismatch is reported once.
    beliefs_ = actual;
}

Outcome Soak::listSoakFolder(DirectoryListing& listing, DeviceOperation& op)
{
    op = ListDeviceDirectoryOperation(kFolder, listing, lastListing_ ? &*lastListing_ : nullptr,
                                      lastChange_ ? &*lastChange_ : nullptr);
    const Outcome outcome = runDevice(op);
    lastChange_.reset();
    if (outcome.ok) {
        judgeListing(listing, cutOffFired(cutOffArmed_));
        lastListing_ = listing.entries;
    }
    return outcome;
}

std::string Soak::operate()
{
    std::uniform_int_distribution<int> percent(0, 99);
    const int roll = percent(random_);
    const std::string name = runner_.portName();

    injectExchangeFaults();
    if (roll < 20) {
        // As the window does, the entries of the last listing shown go with the next one.
        DirectoryListing listing;
        DeviceOperation op;
        const Outcome outcome = listSoakFolder(listing, op);
        judge("listing", outcome, beliefs_, [&](const std::string& message) {
            return openFailure(message) || sendFailure(op, message) ||
                   (message.find("Invalid ") != std::string::npos &&
                    message.ends_with("'" + kFolder + "'!"));
        });
        return "listing";
    }
    if (roll < 33) {
        IoConfigTable table;
        runner_.sim().faults().ioConfigNoEnd = percent(random_) < 20;
        endlessReadOuts_ += runner_.sim().faults().ioConfigNoEnd ? 1 : 0;
        // As the window does, the last read-out goes with the next one.
        const DeviceOperation op =
            ReadOutOperation(table, 1000, lastReadOut_ ? &*lastReadOut_ : nullptr);
        const Outcome outcome = runDevice(op);
        if (outcome.ok) {
            judgeReadOut(table, cutOffFired(cutOffArmed_));
            lastReadOut_ = table;
        }
        judge("ioread", outcome, beliefs_, [&](const std::string& message) {
            return openFailure(message) || sendFailure(op, message);
        });
        return "ioread";
    }

    // The mutating operations act in the console's current directory, as the window's do
    // after its listing has gone there; when that listing fails, so does the round.
    DirectoryListing listing;
    DeviceOperation list;
    const Outcome listed = listSoakFolder(listing, list);
    judge("listing", listed, beliefs_, [&](const std::string& message) {
        return openFailure(message) || sendFailure(list, message) ||
               (message.find("Invalid ") != std::string::npos &&
                message.ends_with("'" + kFolder + "'!"));
    });
    if (!listed.ok) {
        return "listing";
    }

    // Between the listing and the operation the window may wait as long as the user likes.
    injectExchangeFaults();
    Beliefs expected = beliefs_;
    if (roll < 45) {
        const std::string folder = pickName(true);
        const DeviceOperation op = MakeDirectoryOperation(kFolder, folder);
        const Outcome outcome = runDevice(op);
        expected[folder] = Belief{true, {}};
        if (outcome.ok) {
            lastChange_ = KnownChange::MadeDirectory(folder);
        }
        judge("mkdir", outcome, expected, [&](const std::string& message) {
            return openFailure(message) || sendFailure(op, message) ||
                   ((message.find("Invalid ") != std::string::npos ||
                     message.find("Unable ") != std::string::npos) &&
                    message.ends_with("'" + folder + "'!"));
        });
        return "mkdir";
    }
    if (roll < 58) {
        const auto from = pickExisting(percent(random_) < 80 ? false : true);
        if (!from) {
            return "listing";
        }
        const std::string to = pickName(beliefs_.at(*from).isFolder);
        const DeviceOperation op = RenameOperation(kFolder, *from, to);
        const Outcome outcome = runDevice(op);
        for (const FolderEntry& entry : listing.entries) {
            if (outcome.ok && entry.name == *from) {
                lastChange_ = KnownChange::Renamed(entry, to);
            }
        }
        if (!expected.contains(to)) {
            expected[to] = expected.at(*from);
            expected.erase(*from);
        }
        judge("rename", outcome, expected, [&](const std::string& message) {
            return openFailure(message) || sendFailure(op, message) ||
                   ((message.find("Invalid ") != std::string::npos ||
                     message.find("Duplicate ") != std::string::npos) &&
                    message.ends_with("'" + to + "'!"));
        });
        return "rename";
    }
    if (roll < 72) {
        // A file with "del"; an empty folder with "rd", as the window checks it first.
        const bool folder = percent(random_) < 25;
        const auto victim = pickExisting(folder, folder);
        if (!victim) {
            return "listing";
        }
        const DeviceOperation op = folder ? RemoveDirectoryOperation(kFolder, *victim)
                                          : DeleteFileOperation(kFolder, *victim);
        const Outcome outcome = runDevice(op);
        expected.erase(*victim);
        if (outcome.ok) {
            lastChange_ = KnownChange::Deleted(*victim);
        }
        judge("delete", outcome, expected, [&](const std::string& message) {
            return openFailure(message) || sendFailure(op, message);
        });
        return "delete";
    }

    // An upload of a random file, as the window's copy does it.
    const std::string target = pickName(false);
    if (expected.contains(target) && expected.at(target).isFolder) {
        return "none";
    }
    std::string content(std::uniform_int_distribution<std::size_t>(0, 3000)(random_), '\0');
    for (char& c : content) {
        c = static_cast<char>(random_());
    }
    const auto local = work_ / target;
    {
        std::ofstream out(local, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    const auto& faults = runner_.sim().faults();
    const std::uint64_t noisyTakenBefore =
        faults.noisyBlocksTaken.load() + faults.noisyEotsTaken.load();
    Outcome outcome;
    {
        SerialPort port(name);
        if (const auto failure = OpenCopyPort(port)) {
            outcome = {false, *failure};
        } else {
            QueueHooks hooks;
            hooks.poll = [](const QueueProgress&) { QCoreApplication::processEvents(); };
            const QueueOutcome queued = UploadQueue(port, DeviceDirectory(kFolder),
                                                    {{local.string(), target}}, log_, hooks);
            outcome = {queued.kind == QueueOutcome::Kind::Completed, queued.message};
        }
    }
    expected[target] = Belief{false, Padded(content)};
    if (outcome.ok) {
        lastChange_ = KnownChange::Uploaded({target});
    }
    const bool noisyTaken =
        faults.noisyBlocksTaken.load() + faults.noisyEotsTaken.load() != noisyTakenBefore;
    if (outcome.ok && noisyTaken &&
        ActualFolder(runner_.sim().fileSystem()).at(target).content != Padded(content)) {
        // The controller's receiver took a block that noise had changed (its checksum could
        // not tell) or a noisy byte for the end of the file, and acknowledged it: the sender
        // cannot tell either. Counted apart, never as the product's fault.
        ++checksumBlind_;
        std::printf("checksum-blind upload of %s (the receiver took a noisy block or end)\n",
                    target.c_str());
        beliefs_ = ActualFolder(runner_.sim().fileSystem());
        return "upload";
    }
    judge("upload", outcome, expected, [&](const std::string& message) {
        return openFailure(message) || message == TransferFailedMessage(target);
    });
    return "upload";
}

int Soak::run()
{
    prepare();
    auto& faults = runner_.sim().faults();
    faults.noiseSeed = options_.seed;
    faults.noisePerMillion = options_.noisePerMillion;
    faults.nakStormPercent = 3;
    const Resources baseline = Measure(lockFolder_);
    const auto start = Clock::now();
    int rounds = 0;
    for (; rounds < options_.rounds; ++rounds) {
        const Snapshot before = TakeSnapshot(runner_.sim().fileSystem());
        injectRoundFaults();
        const auto began = Clock::now();
        const std::string kind = operate();
        timings_.add(kind, Clock::now() - began);
        endRoundFaults();
        restoreAfterHangUp();
        checkOutside(before, rounds + 1, kind);
        const Resources now = Measure(lockFolder_);
        if (!(now == baseline)) {
            ++leaks_;
            std::printf("LEAK after round %d (%s): descriptors %zu/%zu threads %zu/%zu lock "
                        "files %zu/%zu\n",
                        rounds + 1, kind.c_str(), now.descriptors, baseline.descriptors,
                        now.threads, baseline.threads, now.lockFiles, baseline.lockFiles);
        }
        if (options_.verbose || (rounds + 1) % 100 == 0) {
            std::printf("round %d: %s, %d failures, %d mismatches\n", rounds + 1, kind.c_str(),
                        failures_, mismatches_);
            std::fflush(stdout);
        }
    }
    faults.noisePerMillion = 0;
    const auto seconds = std::chrono::duration<double>(Clock::now() - start).count();

    std::printf("\nrounds               %d (%.0f s, seed %u, noise %d per million both ways)\n",
                rounds, seconds, options_.seed, options_.noisePerMillion);
    std::printf("faults injected      %llu (noisy bytes and NAK storms) + %d pauses + %d "
                "hang-ups\n",
                static_cast<unsigned long long>(faults.injected.load()), pauses_, hangUps_);
    std::printf("                     + %llu stray bytes + %llu external cds + %d output cut-offs "
                "+ %d read-outs without end record\n",
                static_cast<unsigned long long>(faults.strayBytesPlaced.load()),
                static_cast<unsigned long long>(faults.externalCdsMade.load()), cutOffs_,
                endlessReadOuts_);
    const int tried = verified_ + failures_ + mismatches_ + checksumBlind_;
    const auto share = [tried](int count) { return 100.0 * count / std::max(1, tried); };
    std::printf("operations tried     %d\n", tried);
    std::printf("succeeded            %d (%.1f%%; successes verified)\n", verified_,
                share(verified_));
    std::printf("failed               %d (%.1f%%): %d with a message the window knows, %d "
                "unknown messages\n",
                failures_, share(failures_), failures_ - unknownMessages_, unknownMessages_);
    std::printf("retries made         %d (commands typed again after noise, readings read "
                "again)\n",
                log_.retries());
    std::printf("mismatches           %d\n", mismatches_);
    std::printf(
        "checksum-blind       %d uploads (the receiver acknowledged what noise had changed: "
        "%llu blocks past its 8-bit checksum, %llu noisy bytes taken for the end)\n",
        checksumBlind_, static_cast<unsigned long long>(faults.noisyBlocksTaken.load()),
        static_cast<unsigned long long>(faults.noisyEotsTaken.load()));
    std::printf("leaks                %d\n", leaks_);
    std::printf("changed outside      %d (files or folders changed outside %s)\n", outsideChanges_,
                kDeviceFolder.c_str());
    std::printf("incomplete readings  %d (listings or read-outs cut short, reported as success)\n",
                incompleteReadings_);
    std::printf("readings that differ %d (listings or read-outs changed by noise, reported "
                "as success)\n",
                differingReadings_);
    std::printf("\n%-8s %6s %10s %10s\n", "kind", "count", "p50 ms", "p99 ms");
    for (const auto& [kind, values] : timings_.ms) {
        std::printf("%-8s %6zu %10.1f %10.1f\n", kind.c_str(), values.size(),
                    Percentile(values, 0.5), Percentile(values, 0.99));
    }
    return mismatches_ == 0 && leaks_ == 0 && unknownMessages_ == 0 && outsideChanges_ == 0 &&
                   incompleteReadings_ == 0
               ? 0
               : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: soak [--rounds N] [--noise PER_MILLION] [--seed S] [--stray PERCENT] "
                     "[--external-cd PERCENT] [--cut-off PERCENT] [--verbose]\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    test::TempDir locks("kora-soak-locks");
    test::TempDir work("kora-soak-files");
    test::ScopedEnv lockEnv("KORA_LOCK_DIR", locks.path().string());
    test::SimRunner runner;
    if (!runner.ok()) {
        std::fprintf(stderr, "soak: %s\n", runner.error().c_str());
        return 2;
    }
    Soak soak(*options, runner, locks.path(), work.path());
    return soak.run();
}
