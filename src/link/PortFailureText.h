#pragma once

#include <string>

#include "link/SerialPort.h"

namespace kora {

// The texts that tell the user why the port could not be had. The first line of an
// open failure is always "Unable to open " + port + "!"; the second gives what the system
// said when that says more than the general advice to look for another program on the port.

// What the system said about the last failed Open of the port, when that is more than the
// general advice: empty when it said nothing more useful.
std::string KnownOpenFailureReason(const SerialPort& port);
// The second line for the last failed Open of the port: no such port, permission (with the
// group that owns the device), in use, line lost, not a serial port; else the general advice.
std::string OpenFailureReason(const SerialPort& port);
// "Unable to open " + port + "!\n\n" + OpenFailureReason(port).
std::string OpenFailureMessage(const SerialPort& port);

// Why a line that was open went away: the adapter was pulled or the far end closed.
std::string LineLostReason();
// "Lost the connection to " + port + "!\n\n" + LineLostReason(): an operation that was
// running when its line went away.
std::string LineLostMessage(const std::string& portName);
// The port hung up under its last call, or is closed since a hang-up it could not reopen from.
bool LineLost(const SerialPort& port);

} // namespace kora
