#pragma once

#include <QSettings>
#include <QString>

#include "support/TempDir.h"

namespace kora::test {

// The user's settings in a fresh folder of the test's own while it lives.
class ScopedSettingsFolder {
public:
    ScopedSettingsFolder()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(dir_.path().string()));
    }

private:
    TempDir dir_{"kora-settings"};
};

} // namespace kora::test
