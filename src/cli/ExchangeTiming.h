#pragma once

#include "link/ConsoleExchange.h"
#include "link/SerialPort.h"

namespace kora::cli {

// How long an exchange waits after a command: Quick ends at the prompt, Patient waits until the
// console has fallen silent (the --patient option).
enum class ExchangeTiming { Quick, Patient };

// The one place where the tool's timing choice reaches the exchanges (ExchangeTiming.cpp):
// every device operation the tool runs passes through WithTiming on its way to
// RunDeviceOperation (CliSession::run), and every port the tool opens for an upload or the
// terminal passes through WithTiming as well. The exchange offers no quick form yet, so today
// both leave their argument unchanged and every exchange waits for silence.
DeviceOperation WithTiming(DeviceOperation op, ExchangeTiming timing);
void WithTiming(SerialPort& port, ExchangeTiming timing);

} // namespace kora::cli
