#pragma once

#include <QMimeType>

#include <string>
#include <string_view>

namespace kora {

// The type name a file list shows for a file: the comment of its MIME type, as the desktop
// names it. A desktop's MIME database knows nothing of several extensions a DOS controller's
// disk is full of (.BAT, .BIN, .CFG, .DAT, .INI, .SYS): where it has no type for the file (the
// default type, "unknown"), such a file gets a plain name of its own, such as "DOS batch file".
// Extensions compare without regard to case.
std::string FileTypeName(const QMimeType& type, std::string_view fileName);

} // namespace kora
