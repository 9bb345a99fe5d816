#pragma once

#include <QString>

#include <string>

namespace kora {

// Text made of bytes for the screen. Messages join what the user typed and PC paths (UTF-8
// here) with console bytes and names typed for the controller (any 8-bit code page): shown as
// UTF-8 when the whole text is valid UTF-8, else byte for byte.
QString ByteText(const std::string& bytes);

} // namespace kora
