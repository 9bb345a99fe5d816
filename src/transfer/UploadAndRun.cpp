#include "transfer/UploadAndRun.h"

#include "link/DosName.h"

namespace kora {

bool UploadAndRunApplies(const std::vector<CopySource>& selection)
{
    return selection.size() == 1 && selection.front().isFile &&
           IsRunnableProgram(FileNamePart(selection.front().path));
}

std::optional<std::string> ProgramToStart(const std::vector<CopySource>& selection,
                                          const std::optional<QueueOutcome>& copied)
{
    if (!UploadAndRunApplies(selection) || !copied ||
        copied->kind != QueueOutcome::Kind::Completed || copied->sent.size() != 1) {
        return std::nullopt;
    }
    const std::string& name = copied->sent.front().deviceName;
    // A rename prompt may have given a program another extension.
    if (!IsRunnableProgram(name)) {
        return std::nullopt;
    }
    return name;
}

} // namespace kora
