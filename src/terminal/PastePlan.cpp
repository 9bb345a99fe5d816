#include "terminal/PastePlan.h"

#include "terminal/TerminalText.h"

namespace kora {

std::vector<PasteStep> PlanPaste(const QString& clipboardText)
{
    std::string bytes = ToTerminalBytes(clipboardText);
    if (bytes.size() > static_cast<std::size_t>(kPasteLimit)) {
        bytes.resize(kPasteLimit);
    }

    std::vector<PasteStep> steps;
    steps.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        PasteStep step;
        step.byte = static_cast<std::uint8_t>(bytes[i]);
        const bool crLf = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
        if (crLf || bytes[i] == '\n') {
            step.byte = '\r';
            step.before = std::chrono::milliseconds(20);
            step.afterWrite = std::chrono::milliseconds(0);
            i += crLf ? 1 : 0; // the line feed of CR LF is not sent
        }
        steps.push_back(step);
    }
    return steps;
}

} // namespace kora
