#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/DeviceListing.h"

namespace kora::test {

// A console that answers each command with scripted lines, following the device operation's
// rules: a command whose echo fails ends the operation with its send-failure message; the first
// line-check failure fails it, and a stopping one ends the step's output there.
class FakeConsole {
public:
    std::map<std::string, std::vector<std::string>> output; // by command, "\r" included
    // Answers for the next sends of a command, one each, before `output` answers again.
    std::map<std::string, std::deque<std::vector<std::string>>> readings;
    std::set<std::string> echoFails;
    std::vector<std::string> sent;
    std::vector<std::string> errorBoxes; // what the GUI runner would have shown
    std::vector<DeviceOperation> operations;

    // Where the console stands; "d:" and "cd" move it as a DOS console would, unless the
    // command's prompt is scripted in promptAfter (the text before ">").
    std::string location = "D:\\";
    std::map<std::string, std::string> promptAfter;

    OperationResult run(const DeviceOperation& op)
    {
        operations.push_back(op);
        OperationResult result;
        for (const ConsoleStep& step : op.steps) {
            // A reading the end check calls spoilt is read again, as the exchange does.
            for (int reading = 0; reading < kStepReadings && result.ok; ++reading) {
                if (echoFails.count(step.command) != 0) {
                    result = {false, step.sendFailureMessage.empty()
                                         ? SendFailureMessage(step.command)
                                         : step.sendFailureMessage};
                    break;
                }
                sent.push_back(step.command);
                std::vector<std::string> lines = output[step.command];
                if (auto& next = readings[step.command]; !next.empty()) {
                    lines = std::move(next.front());
                    next.pop_front();
                }
                for (const std::string& line : lines) {
                    if (!step.checkLine) {
                        continue;
                    }
                    if (auto failure = step.checkLine(line)) {
                        if (result.ok) {
                            result = {false, failure->message};
                        }
                        if (failure->stopReading) {
                            break;
                        }
                    }
                }
                if (!result.ok) {
                    break;
                }
                move(step.command);
                const auto failure = step.checkEnd ? step.checkEnd(location + ">") : std::nullopt;
                if (!failure) {
                    break;
                }
                if (!failure->readAgain || reading == kStepReadings - 1) {
                    result = {false, failure->message};
                }
            }
            if (!result.ok) {
                break;
            }
        }
        if (!result.ok) {
            errorBoxes.push_back(result.message);
        }
        return result;
    }

    void move(const std::string& command)
    {
        if (const auto scripted = promptAfter.find(command); scripted != promptAfter.end()) {
            location = scripted->second;
        } else if (command == "d:\r") {
            location = "D:\\";
        } else if (command.starts_with("cd")) {
            location = "D:" + command.substr(2, command.size() - 3);
        }
    }

    DeviceOperationRunner runner()
    {
        return [this](const DeviceOperation& op) { return run(op); };
    }
};

} // namespace kora::test
