#pragma once

#include <string>
#include <string_view>

namespace kora {

// The controller's DOS keeps a name in the 8.3 form: at most 8 characters, then at most one
// dot and an extension of at most 3. It does not refuse a longer name: it cuts it, so
// "LONGNAME123.TXT" is stored as LONGNAME.TXT, over any file of that name, and "PROG.EXEC"
// replaces PROG.EXE. A name goes to the controller only in this form; the user is asked for
// another otherwise.
bool IsDosShortName(std::string_view name);

// Why a name is refused, for messages: "at most 8 characters, a dot and 3 more (8.3)".
inline constexpr std::string_view kDosShortNameRule =
    "A name has at most 8 characters, then at most one dot and an extension of at most 3 "
    "characters (8.3); KORA-7740P would cut a longer one.";

// Whether DOS takes the name for one of its devices: NUL, CON, PRN, AUX, CLOCK$, COM1 to COM4
// and LPT1 to LPT3, in any letter case, with or without an extension ("nul.txt" is NUL too). A
// "file" of such a name is the device: what is written to it goes to the printer or nowhere,
// and the command that wrote it reports success, so such a name never goes to the controller
// as the name of a file or folder.
bool IsDosDeviceName(std::string_view name);

// Why such a name is refused, for messages.
inline constexpr std::string_view kDosDeviceNameRule =
    "NUL, CON, PRN, AUX, CLOCK$, COM1 to COM4 and LPT1 to LPT3 are devices on KORA-7740P, with "
    "or without an extension: DOS would write such a file to the device.";

// The name as DOS compares it (letter case does not count): two names with the same key are
// one file on the controller.
std::string DosNameKey(std::string_view name);

// Whether the console starts a file of that name as a program: .EXE, .COM or .BAT, in any
// letter case.
bool IsRunnableProgram(std::string_view name);

} // namespace kora
