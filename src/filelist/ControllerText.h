#pragma once

#include <QString>

#include <string>
#include <variant>

namespace kora {

// Text typed for the controller (a name, a path, a console command line) becomes the
// controller's bytes before anything looks at it, so that every check sees what the console
// will get. The controller's DOS keeps single bytes, which both the window and the tool show as
// the Latin-1 characters of the same value: a character is its Latin-1 byte. A character
// outside Latin-1 has no byte there and is refused, named in the message; it never becomes
// "?", which DOS reads as a wildcard ("CAF€.TXT" would name CAFE.TXT). A command-line byte
// that is not UTF-8 (kept by ArgumentText as a lone surrogate) is refused as well: which
// character it was meant to be would be a guess.
struct TextRefusal {
    QString message; // names the text and the character or byte refused
};
std::variant<std::string, TextRefusal> ControllerBytes(const QString& typed);

} // namespace kora
