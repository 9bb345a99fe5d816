#include "device/DeviceListing.h"

#include <variant>

namespace kora {

void DirectoryListing::take(std::string_view line)
{
    DirLine parsed = ParseDirLine(line);
    if (auto* entry = std::get_if<FolderEntry>(&parsed)) {
        entries.push_back(std::move(*entry));
    } else if (auto* free = std::get_if<FreeSpace>(&parsed)) {
        freeSpace = std::move(*free);
    }
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

DeviceOperation ListDeviceDirectoryOperation(const std::string& path, DirectoryListing& into)
{
    DeviceOperation op;
    op.lineEnd = 10;
    op.timeoutMs = 200;
    op.steps.push_back({"d:\r", SendFailureMessageWithHead("Unable to send command!"), {}});
    op.steps.push_back({"cd" + path + "\r",
                        SendFailureMessageWithHead("Unable to send command 'cd" + path + "'!"),
                        InvalidPathCheck(path)});
    op.steps.push_back({"dir\r", SendFailureMessageWithHead("Unable to send command 'dir'!"),
                        [&into](const std::string& line) -> std::optional<LineFailure> {
                            into.take(line);
                            return std::nullopt;
                        }});
    return op;
}

bool ListDeviceDirectory(const DeviceOperationRunner& run, const std::string& path,
                         DirectoryListing& into)
{
    return run(ListDeviceDirectoryOperation(path, into)).ok;
}

void TreeCounts::take(std::string_view line)
{
    const TreeLine parsed = ParseTreeLine(line);
    switch (parsed.kind) {
    case TreeLine::Kind::Folder:
        ++folders;
        break;
    case TreeLine::Kind::File:
        ++files;
        bytes += parsed.size;
        break;
    case TreeLine::Kind::Nothing:
        break;
    }
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
                        }});
    return op;
}

std::optional<TreeCounts> CountDeviceTree(const DeviceOperationRunner& run, const std::string& name)
{
    TreeCounts counts;
    if (!run(CountDeviceTreeOperation(name, counts)).ok) {
        return std::nullopt;
    }
    return counts;
}

} // namespace kora
