#pragma once

#include <QString>

#include "device/DeviceMenuActions.h"

class QWidget;

namespace kora {

// The device menu's questions asked for real: message boxes through Prompts(), the name and
// properties dialogs created, run modally and destroyed for each use.
class DialogActionUi final : public DeviceActionUi {
public:
    // Boxes and dialogs are centred on `parent`, which must outlive this object.
    explicit DialogActionUi(QWidget* parent) : parent_(parent) {}

    bool confirm(const std::string& text) override;
    void warning(const std::string& text) override;
    std::optional<std::string> askName(const NameRequest& request) override;
    void showProperties(const PropertiesTexts& texts) override;

private:
    QWidget* parent_;
};

// The controller's names and the texts built from them are single bytes, shown each as itself.
QString ConsoleText(const std::string& bytes);

} // namespace kora
