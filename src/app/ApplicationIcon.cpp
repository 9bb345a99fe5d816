#include "app/ApplicationIcon.h"

namespace kora {

QIcon ApplicationIcon()
{
    return QIcon(QStringLiteral(":/kora7740p/kora7740p-utility.svg"));
}

} // namespace kora
