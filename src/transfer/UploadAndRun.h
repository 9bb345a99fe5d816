#pragma once

#include <optional>
#include <string>
#include <vector>

#include "transfer/CopyPlan.h"

namespace kora {

// "Upload and Run" on the local panel: the normal copy of the selection, then the program
// started in the directory it went to. Only a single file the console starts as a program
// (.EXE, .COM, .BAT) is started; anything else is copied and not started.

// Whether the item applies to the selection: exactly one file, a program.
bool UploadAndRunApplies(const std::vector<CopySource>& selection);

// The name to start after the copy: the program's name on the controller, as the copy stored it
// (after a rename prompt, the new name). Nothing when nothing is to start: the selection was not
// one program, or the copy did not run, failed, was cancelled or skipped the file.
std::optional<std::string> ProgramToStart(const std::vector<CopySource>& selection,
                                          const std::optional<QueueOutcome>& copied);

} // namespace kora
