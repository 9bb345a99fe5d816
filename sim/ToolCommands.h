#pragma once

namespace kora::sim {

class Simulator;

// The tools on the controller's C: drive that the console runs by name: "C:\mem",
// "C:\DLFMT D: /C", "A" (abort) and "C:\cfgio".
void RegisterToolCommands(Simulator& simulator);

} // namespace kora::sim
