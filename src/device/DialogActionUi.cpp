#include "device/DialogActionUi.h"

#include <QString>

#include "device/KoraAskNameDialog.h"
#include "device/KoraPropDialog.h"
#include "filelist/ControllerText.h"
#include "ui/UserPrompts.h"

namespace kora {

QString ConsoleText(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool DialogActionUi::confirm(const std::string& text)
{
    return Prompts().confirm(parent_, ConsoleText(text));
}

void DialogActionUi::warning(const std::string& text)
{
    Prompts().warning(parent_, ConsoleText(text));
}

std::optional<std::string> DialogActionUi::askName(const NameRequest& request)
{
    TdlgKoraAskName dialog(parent_);
    dialog.setWindowTitle(ConsoleText(request.caption));
    dialog.setPrompt(ConsoleText(request.prompt));
    dialog.setText(QString());
    dialog.setMaxLength(request.maxLength);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    auto bytes = ControllerBytes(dialog.text());
    if (const auto* refusal = std::get_if<TextRefusal>(&bytes)) {
        Prompts().warning(parent_, refusal->message);
        return std::nullopt;
    }
    return std::get<std::string>(std::move(bytes));
}

void DialogActionUi::showProperties(const PropertiesTexts& texts)
{
    TdlgKoraProp dialog(parent_);
    dialog.Module = ConsoleText(texts.module);
    dialog.Name = ConsoleText(texts.name);
    dialog.Path = ConsoleText(texts.path);
    dialog.Type = QString::fromStdString(texts.type); // the desktop's type name, UTF-8
    dialog.Size = ConsoleText(texts.size);
    dialog.Date = QString::fromStdString(texts.date);
    dialog.Contain = ConsoleText(texts.contents);
    dialog.exec();
}

} // namespace kora
