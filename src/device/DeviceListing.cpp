#include "device/DeviceListing.h"

#include <algorithm>
#include <memory>
#include <variant>

#include "device/DevicePosition.h"

namespace kora {

namespace {

constexpr std::string_view kTotalFilesListed = "Total files listed:";

// The console's "N file(s)" counts files; some consoles count the directory lines too.
bool SummaryMatches(const ListingSummary& summary, std::uint64_t files, std::uint64_t bytes,
                    std::uint64_t directoryLines)
{
    return summary.bytes == bytes &&
           (summary.files == files || summary.files == files + directoryLines);
}

std::string Damaged(const std::string& what)
{
    return what + " was damaged on the line (a line the KORA-7740P cannot have printed so)."
                  "\n\nNothing is shown from it; please try again.";
}

std::string EntryFacts(const FolderEntry& entry)
{
    return entry.name + '\n' + (entry.isFolder ? "<DIR>" : std::to_string(entry.size)) + '\n' +
           entry.modified;
}

// What a listing says of its entries, in an order of its own: name, kind, size and date.
std::vector<std::string> ListedFacts(const std::vector<FolderEntry>& entries)
{
    std::vector<std::string> facts;
    facts.reserve(entries.size());
    for (const FolderEntry& entry : entries) {
        facts.push_back(EntryFacts(entry));
    }
    std::sort(facts.begin(), facts.end());
    return facts;
}

bool SameDosName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
        return upper(x) == upper(y);
    });
}

} // namespace

KnownChange KnownChange::MadeDirectory(const std::string& name)
{
    return {{}, {{name, true, std::nullopt}}};
}

KnownChange KnownChange::Deleted(const std::string& name)
{
    return {{name}, {}};
}

KnownChange KnownChange::Renamed(const FolderEntry& from, const std::string& to)
{
    return {{from.name}, {{to, from.isFolder, from}}};
}

KnownChange KnownChange::Uploaded(const std::vector<std::string>& names)
{
    KnownChange change;
    for (const std::string& name : names) {
        change.gone.push_back(name); // a file of that name is replaced
        change.arrived.push_back({name, false, std::nullopt});
    }
    return change;
}

bool KnownChange::explains(const std::vector<FolderEntry>& earlier,
                           const std::vector<FolderEntry>& reading) const
{
    const auto touched = [this](const std::string& name) {
        const auto same = [&name](const std::string& other) { return SameDosName(name, other); };
        return std::any_of(gone.begin(), gone.end(), same) ||
               std::any_of(arrived.begin(), arrived.end(),
                           [&same](const Arrival& arrival) { return same(arrival.name); });
    };
    std::vector<FolderEntry> kept;
    for (const FolderEntry& entry : earlier) {
        if (!touched(entry.name)) {
            kept.push_back(entry);
        }
    }
    std::vector<FolderEntry> rest;
    for (const FolderEntry& entry : reading) {
        if (!touched(entry.name)) {
            rest.push_back(entry);
        }
    }
    if (ListedFacts(kept) != ListedFacts(rest)) {
        return false;
    }
    // Of the names touched, the reading holds the new ones, each once, and nothing else.
    std::size_t arrivals = 0;
    for (const Arrival& arrival : arrived) {
        const auto count = std::count_if(reading.begin(), reading.end(), [&](const FolderEntry& e) {
            return SameDosName(e.name, arrival.name) && e.isFolder == arrival.isFolder &&
                   (!arrival.sameAs ||
                    (e.size == arrival.sameAs->size && e.modified == arrival.sameAs->modified));
        });
        if (count != 1) {
            return false;
        }
        ++arrivals;
    }
    return reading.size() - rest.size() == arrivals;
}

void DirectoryListing::take(std::string_view line)
{
    if (IsDamagedEntryLine(line)) {
        ++damagedLines;
        return;
    }
    if (IsDotsLine(line)) {
        ++directoryLines;
    }
    DirLine parsed = ParseDirLine(line);
    if (auto* entry = std::get_if<FolderEntry>(&parsed)) {
        directoryLines += entry->isFolder ? 1 : 0;
        entries.push_back(std::move(*entry));
    } else if (auto* free = std::get_if<FreeSpace>(&parsed)) {
        freeSpace = std::move(*free);
    } else if (auto counted = ParseSummaryLine(line)) {
        summary = counted;
    }
}

std::optional<std::string> DirectoryListing::fault(const std::string& path) const
{
    const std::string what = "The listing of " + DeviceLocation(path);
    if (damagedLines > 0) {
        return Damaged(what);
    }
    if (!freeSpace) {
        return what + " is incomplete: the KORA-7740P did not finish it (no \"bytes free\" "
                      "line).\n\nNothing is shown from it; please try again.";
    }
    if (summary) {
        std::uint64_t files = 0;
        std::uint64_t bytes = 0;
        for (const FolderEntry& entry : entries) {
            files += entry.isFolder ? 0 : 1;
            bytes += entry.isFolder ? 0 : entry.size;
        }
        if (!SummaryMatches(*summary, files, bytes, directoryLines)) {
            return what + " does not add up to the KORA-7740P's own summary (" +
                   std::to_string(summary->files) + " file(s), " + std::to_string(summary->bytes) +
                   " bytes).\n\nNothing is shown from it; please try again.";
        }
    }
    return std::nullopt;
}

LineCheck InvalidPathCheck(const std::string& path)
{
    return [path](const std::string& line) -> std::optional<LineFailure> {
        if (line.find("Invalid ") == std::string::npos) {
            return std::nullopt;
        }
        return LineFailure{line + "'" + path + "'!", true};
    };
}

DeviceOperation ListDeviceDirectoryOperation(const std::string& path, DirectoryListing& into,
                                             const std::vector<FolderEntry>* earlier,
                                             const KnownChange* change)
{
    // A letter of a name changed by noise leaves a line of good shape and the console's summary
    // intact. A reading that differs from the earlier one is therefore taken only when a later
    // reading agrees with it (or with the earlier one after all).
    struct Confirmation {
        std::optional<std::vector<std::string>> earlier;
        // The readings of this exchange so far that nothing confirmed.
        std::vector<std::vector<std::string>> unconfirmed;
        // The change just made, with the listing it was made to.
        std::optional<KnownChange> change;
        std::vector<FolderEntry> before;
        bool explained(const std::vector<FolderEntry>& reading) const
        {
            return change && change->explains(before, reading);
        }
    };
    auto confirmation = std::make_shared<Confirmation>();
    if (earlier) {
        confirmation->earlier = ListedFacts(*earlier);
        if (change) {
            confirmation->change = *change;
            confirmation->before = *earlier;
        }
    }
    DeviceOperation op;
    op.lineEnd = 10;
    op.timeoutMs = 200;
    op.steps = EnterDeviceDirectorySteps(path);
    op.steps.push_back(
        {"dir\r", SendFailureMessageWithHead("Unable to send command 'dir'!"),
         [&into](const std::string& line) -> std::optional<LineFailure> {
             into.take(line);
             return std::nullopt;
         },
         [&into, path, confirmation](const std::string&) -> std::optional<StepFailure> {
             std::optional<std::string> fault = into.fault(path);
             if (!fault && confirmation->earlier) {
                 std::vector<std::string> facts = ListedFacts(into.entries);
                 const auto& seen = confirmation->unconfirmed;
                 if (facts != *confirmation->earlier &&
                     std::find(seen.begin(), seen.end(), facts) == seen.end() &&
                     !confirmation->explained(into.entries)) {
                     fault = "The listing of " + DeviceLocation(path) +
                             " changed from one reading to the next (noise on the line)."
                             "\n\nNothing is shown from it; please try again.";
                     confirmation->unconfirmed.push_back(std::move(facts));
                 }
             }
             if (!fault) {
                 return std::nullopt;
             }
             into = DirectoryListing{};
             return StepFailure{std::move(*fault), true};
         }});
    return op;
}

bool ListDeviceDirectory(const DeviceOperationRunner& run, const std::string& path,
                         DirectoryListing& into, const std::vector<FolderEntry>* earlier,
                         const KnownChange* change)
{
    return run(ListDeviceDirectoryOperation(path, into, earlier, change)).ok;
}

void TreeCounts::take(std::string_view line)
{
    if (IsDamagedEntryLine(line)) {
        ++damagedLines_;
        return;
    }
    if (IsDotsLine(line)) {
        ++directoryLines_;
    }
    if (line.find("bytes free") != std::string_view::npos) {
        freeSeen_ = true;
    }
    if (totalNext_) {
        total_ = ParseSummaryLine(line);
    }
    totalNext_ = TrimListing(line) == kTotalFilesListed;
    const TreeLine parsed = ParseTreeLine(line);
    switch (parsed.kind) {
    case TreeLine::Kind::Folder:
        ++folders;
        ++directoryLines_;
        break;
    case TreeLine::Kind::File:
        ++files;
        bytes += parsed.size;
        break;
    case TreeLine::Kind::Nothing:
        break;
    }
}

std::optional<std::string> TreeCounts::fault() const
{
    const std::string what = "The count of the folder's contents (\"dir/s\")";
    if (damagedLines_ > 0) {
        return Damaged(what);
    }
    if (!total_ || !freeSeen_) {
        return what + " is incomplete: the KORA-7740P did not finish it (no \"" +
               std::string(kTotalFilesListed) +
               "\" summary).\n\nNothing is shown from it; please try again.";
    }
    if (!SummaryMatches(*total_, files, bytes, directoryLines_)) {
        return what + " does not add up to the KORA-7740P's own total (" +
               std::to_string(total_->files) + " file(s), " + std::to_string(total_->bytes) +
               " bytes).\n\nNothing is shown from it; please try again.";
    }
    return std::nullopt;
}

DeviceOperation CountDeviceTreeOperation(const std::string& name, TreeCounts& into)
{
    DeviceOperation op;
    op.lineEnd = 10;
    op.timeoutMs = 200;
    op.steps.push_back({"dir/s " + name + "\r",
                        SendFailureMessageWithHead("Unable to send command 'dir/s'!"),
                        [&into](const std::string& line) -> std::optional<LineFailure> {
                            into.take(line);
                            return std::nullopt;
                        },
                        [&into](const std::string&) -> std::optional<StepFailure> {
                            std::optional<std::string> fault = into.fault();
                            if (!fault) {
                                return std::nullopt;
                            }
                            into = TreeCounts{};
                            return StepFailure{std::move(*fault), true};
                        }});
    return op;
}

std::optional<TreeCounts> CountDeviceTree(const DeviceOperationRunner& run, const std::string& path,
                                          const std::string& name)
{
    TreeCounts counts;
    if (!run(InDeviceDirectory(path, CountDeviceTreeOperation(name, counts))).ok) {
        return std::nullopt;
    }
    return counts;
}

} // namespace kora
