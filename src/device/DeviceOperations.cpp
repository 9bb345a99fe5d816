#include "device/DeviceOperations.h"

#include <memory>

#include "device/DevicePath.h"
#include "device/DevicePosition.h"
#include "link/DosName.h"

namespace kora {

namespace {

DeviceOperation SingleCommand(std::string command, LineCheck check = {})
{
    DeviceOperation op;
    op.lineEnd = 10;
    op.timeoutMs = 200;
    op.steps.push_back({std::move(command), {}, std::move(check), {}});
    return op;
}

void AppendCountTexts(PropertiesTexts& texts, const TreeCounts& counts)
{
    texts.size = std::to_string(counts.bytes) + " byte(s)";
    texts.contents =
        std::to_string(counts.files) + " file(s), " + std::to_string(counts.folders) + " folder(s)";
}

} // namespace

LineCheck ErrorWordCheck(std::vector<std::string> words, std::string name)
{
    // Shared so that copies of the step agree that the first hit has been taken.
    auto failed = std::make_shared<bool>(false);
    return [words = std::move(words), name = std::move(name),
            failed](const std::string& line) -> std::optional<LineFailure> {
        if (*failed) {
            return std::nullopt;
        }
        for (const std::string& word : words) {
            if (line.find(word) != std::string::npos) {
                *failed = true;
                return LineFailure{line + "'" + name + "'!", false};
            }
        }
        return std::nullopt;
    };
}

DeviceOperation DeleteFileOperation(const std::string& path, const std::string& name)
{
    return InDeviceDirectory(path, SingleCommand("del " + name + "\r"));
}

DeviceOperation RemoveDirectoryOperation(const std::string& path, const std::string& name)
{
    return InDeviceDirectory(path, SingleCommand("rd " + name + "\r"));
}

DeviceOperation MakeDirectoryOperation(const std::string& path, const std::string& name)
{
    return InDeviceDirectory(
        path, SingleCommand("md " + name + "\r", ErrorWordCheck({"Invalid ", "Unable "}, name)));
}

DeviceOperation RenameOperation(const std::string& path, const std::string& oldName,
                                const std::string& newName)
{
    return InDeviceDirectory(path,
                             SingleCommand("ren " + oldName + " " + newName + "\r",
                                           ErrorWordCheck({"Invalid ", "Duplicate "}, newName)));
}

DeviceOperation FormatOperation()
{
    DeviceOperation op = SingleCommand("C:\\DLFMT D: /C\r");
    op.lineEnd = 13;
    op.timeoutMs = 1000;
    return op;
}

DeviceOperation MemOperation()
{
    return GenericCommand("C:\\mem\r");
}

DeviceOperation AbortOperation()
{
    return GenericCommand("A\r");
}

DeviceOperation SetToAutoRunOperation(const std::string& path, const std::string& name)
{
    return InDeviceDirectory(path, GenericCommand("echo " + name + ">AutoRun.bat\r"));
}

std::string DeleteFileQuestion(const std::string& name)
{
    return "Are you sure to delete the file '" + name + "'\nfrom KORA-7740P?";
}

std::string DeleteDirectoryQuestion(const std::string& name)
{
    return "Are you sure to delete the directory '" + name + "'\nfrom KORA-7740P?";
}

std::string DirectoryNotEmptyWarning(const std::string& name)
{
    return "The directory '" + name + "' is not empty.\nCannot delete this directory!";
}

NameRequest MakeDirectoryRequest()
{
    return {"Make directory", "Please input new directory name:", 8};
}

NameRequest RenameRequest(const std::string& oldName)
{
    return {"Rename file '" + oldName + "'", "Please input new file name:", 12};
}

std::optional<std::string> UnsafeNameWarning(std::string_view name)
{
    // Blanks, commas, semicolons and equals signs separate a DOS command's arguments
    // ("ren A.TXT B=C" has three); the others redirect, quote, match several files or are
    // path separators.
    constexpr std::string_view kRefused = " ,;=<>|&\"'*?\\/:";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || kRefused.find(c) != std::string_view::npos) {
            return "The name '" + std::string(name) +
                   "' cannot be used on KORA-7740P.\n\nA name must not contain blanks, control "
                   "characters or any of , ; = < > | & \" ' * ? \\ / :";
        }
    }
    if (!IsDosShortName(name)) {
        return "The name '" + std::string(name) + "' cannot be used on KORA-7740P.\n\n" +
               std::string(kDosShortNameRule);
    }
    if (IsDosDeviceName(name)) {
        return "The name '" + std::string(name) + "' cannot be used on KORA-7740P.\n\n" +
               std::string(kDosDeviceNameRule);
    }
    return std::nullopt;
}

PropertiesTexts EntryProperties(const FolderEntry& entry, const std::string& pathText,
                                const std::optional<TreeCounts>& folderCounts)
{
    PropertiesTexts texts;
    texts.module = kPropertiesModule;
    texts.name = entry.name;
    texts.path = pathText;
    texts.type = entry.typeName;
    texts.date = entry.modified;
    if (!entry.isFolder) {
        texts.size = std::to_string(entry.size) + " byte(s)";
    } else if (folderCounts) {
        AppendCountTexts(texts, *folderCounts);
    }
    return texts;
}

PropertiesTexts CurrentDirectoryProperties(const std::string& pathText, const TreeCounts& counts)
{
    PropertiesTexts texts;
    texts.module = kPropertiesModule;
    texts.path = pathText;
    texts.type = pathText == kDeviceRoot ? "KORA disk (D:)" : "Folder";
    AppendCountTexts(texts, counts);
    return texts;
}

} // namespace kora
