#pragma once

#include <QIcon>

namespace kora {

// The utility's own icon (a scalable picture built into the program, the same file that is
// installed into the desktop's icon theme): the windows' icon and the About box's picture.
QIcon ApplicationIcon();

} // namespace kora
