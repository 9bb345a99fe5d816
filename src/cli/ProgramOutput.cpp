#include "cli/ProgramOutput.h"

#include <string_view>

#include "link/ConsoleExchange.h"

namespace kora::cli {

namespace {

constexpr char kUnknownProgram[] = "Bad command or file name";

// Whether text can be the beginning of a prompt: "C:\" or "D:\" or the start of one.
bool BeginsLikePrompt(const std::string& text)
{
    for (const char* start : {"C:\\", "D:\\"}) {
        const std::string prefix(start);
        const std::size_t n = std::min(prefix.size(), text.size());
        if (text.compare(0, n, prefix, 0, n) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

bool ProgramOutput::mayBePrompt() const
{
    return !lineShown_ && BeginsLikePrompt(line_);
}

std::string ProgramOutput::releaseHeld()
{
    std::string text;
    if (heldUnknown_) {
        text += std::string(kUnknownProgram) + "\n";
        heldUnknown_ = false;
    }
    text += std::string(static_cast<std::size_t>(blankLines_), '\n');
    blankLines_ = 0;
    if (!text.empty()) {
        printed_ = true;
    }
    return text;
}

std::string ProgramOutput::endLine()
{
    std::string text;
    if (lineShown_) {
        text = "\n";
    } else if (line_.empty()) {
        ++blankLines_;
    } else if (!printed_ && !heldUnknown_ && blankLines_ == 0 && line_ == kUnknownProgram) {
        heldUnknown_ = true;
    } else {
        text = releaseHeld() + line_ + "\n";
        printed_ = true;
    }
    line_.clear();
    lineShown_ = false;
    return text;
}

std::string ProgramOutput::add(std::uint8_t byte)
{
    // More after what looked like the prompt: it was the program's own line, still held, and
    // the program runs on.
    promptReturned_ = false;
    std::string text;
    if (pendingCr_) {
        pendingCr_ = false;
        if (byte == '\n') {
            echoLfSkipped_ = true;
            return endLine();
        }
        // A lone CR: the program goes back to the start of its line, which is its own.
        text = releaseHeld() + line_ + '\r';
        line_.clear();
        lineShown_ = true;
        printed_ = true;
    }
    if (byte == '\r') {
        pendingCr_ = true;
        return text;
    }
    if (byte == '\n') {
        if (!echoLfSkipped_) {
            echoLfSkipped_ = true;
            return text;
        }
        return text + endLine();
    }
    echoLfSkipped_ = true;
    if (lineShown_) {
        printed_ = true;
        return text + static_cast<char>(byte);
    }
    line_ += static_cast<char>(byte);
    if (!mayBePrompt() && std::string_view(kUnknownProgram).substr(0, line_.size()) != line_) {
        // Neither the prompt nor the console's refusal: the program's, printed as it comes.
        text += releaseHeld() + line_;
        line_.clear();
        lineShown_ = true;
        printed_ = true;
    }
    return text;
}

std::string ProgramOutput::quiet()
{
    if (promptReturned_ || pendingCr_) {
        return {};
    }
    if (!lineShown_ && IsCompletePrompt(line_)) {
        promptReturned_ = true;
        return {};
    }
    if (line_.empty() || mayBePrompt()) {
        return {};
    }
    // Half a line that is no prompt: a program waiting for input after a question.
    std::string text = releaseHeld() + line_;
    line_.clear();
    lineShown_ = true;
    printed_ = true;
    return text;
}

} // namespace kora::cli
