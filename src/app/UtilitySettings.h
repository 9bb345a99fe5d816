#pragma once

#include <QSettings>

namespace kora {

// The user's settings for the utility: QSettings("VELMORACK", "KORA-7740P Utility") in the
// user's scope, everything in group Config.
QSettings UtilitySettings();

// The local I/O configuration file, K7740PIO.cfg in the user's documents folder, which is
// created when the desktop has not made it yet (the home folder where there is none).
QString IoConfigFilePath();

// "Patient Timing": wait for the console to fall silent after each command instead of ending
// the read at its prompt. Off when nothing is stored or the settings cannot be read.
bool LoadPatientTiming();
// A failure to write is not reported: the choice holds for this run all the same.
void StorePatientTiming(bool patient);

// "Terminal Reconnect": the terminal opens its line again when the device comes back after it
// was lost. On when nothing is stored.
bool LoadTerminalReconnect();
void StoreTerminalReconnect(bool reconnect);
// "Fast Upload": an upload sends each block as soon as the previous one is acknowledged. Off
// when nothing is stored or the settings cannot be read; stored like the timing.
bool LoadFastUpload();
void StoreFastUpload(bool fast);

} // namespace kora
