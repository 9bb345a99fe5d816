#include "device/DevicePosition.h"

#include <algorithm>
#include <cctype>

#include "device/DeviceListing.h"

namespace kora {

namespace {

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// "D:\BIN\" and "D:\BIN" are one place; the root keeps its "\".
std::string WithoutTrailingSeparator(std::string location)
{
    while (location.size() > 3 && location.back() == '\\') {
        location.pop_back();
    }
    return location;
}

constexpr char kDriveD[] = "D:";

EndCheck ConfirmPlace(const std::string& location)
{
    return [location](const std::string& prompt) -> std::optional<StepFailure> {
        if (PromptIsAt(prompt, location)) {
            return std::nullopt;
        }
        return StepFailure{NotThereMessage(location, prompt), false};
    };
}

} // namespace

std::string PromptLocation(const std::string& prompt)
{
    const std::size_t start = prompt.find_first_not_of("\r\n");
    if (start == std::string::npos || !IsCompletePrompt(prompt)) {
        return {};
    }
    return prompt.substr(start, prompt.size() - start - 1);
}

std::string DeviceLocation(const std::string& path)
{
    return WithoutTrailingSeparator(kDriveD + (path.empty() ? std::string("\\") : path));
}

bool PromptIsAt(const std::string& prompt, const std::string& location)
{
    const std::string at = Upper(WithoutTrailingSeparator(PromptLocation(prompt)));
    if (at.empty()) {
        return false;
    }
    const std::string wanted = Upper(location);
    // A bare drive ("D:") is confirmed by any directory of it.
    if (wanted.size() == 2) {
        return at.compare(0, 3, wanted + "\\") == 0;
    }
    return at == wanted;
}

std::string NotThereMessage(const std::string& location, const std::string& prompt)
{
    const std::string at = PromptLocation(prompt);
    const std::string where =
        at.empty() ? std::string("it did not show its prompt") : "its prompt reads '" + at + ">'";
    return "The KORA-7740P did not confirm that it is in " + location + " (" + where +
           ").\n\nNothing was done there; please try again.";
}

std::vector<ConsoleStep> EnterDeviceDirectorySteps(const std::string& path)
{
    std::vector<ConsoleStep> steps;
    steps.push_back(
        {"d:\r", SendFailureMessageWithHead("Unable to send command!"), {}, ConfirmPlace(kDriveD)});
    steps.push_back({"cd" + path + "\r",
                     SendFailureMessageWithHead("Unable to send command 'cd" + path + "'!"),
                     InvalidPathCheck(path), ConfirmPlace(DeviceLocation(path))});
    return steps;
}

DeviceOperation InDeviceDirectory(const std::string& path, DeviceOperation op)
{
    std::vector<ConsoleStep> steps = EnterDeviceDirectorySteps(path);
    steps.insert(steps.end(), std::make_move_iterator(op.steps.begin()),
                 std::make_move_iterator(op.steps.end()));
    op.steps = std::move(steps);
    return op;
}

} // namespace kora
