#pragma once

#include <QDialog>

class QLabel;

namespace kora {

// The small window shown while the main window starts up: one blue line saying which step
// is running. The steps run on the GUI thread without returning to the event loop, so each
// new text is painted at once.
class TdlgKoraInit final : public QDialog {
    Q_OBJECT
public:
    explicit TdlgKoraInit(QWidget* parent = nullptr);

    // Shows the text and paints it before returning.
    void ChangeLabelText(const QString& text);
    QString labelText() const;

signals:
    void labelTextChanged(const QString& text);

private:
    void centreOnScreen();

    QLabel* lblMsg_ = nullptr;
};

} // namespace kora
