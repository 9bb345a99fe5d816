#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kora {

// The one-line input dialog: a prompt, an edit box and OK / Cancel. The caller sets the
// caption, the prompt, the initial text and the edit box's length limit, then runs it modally.
class TdlgKoraAskName final : public QDialog {
    Q_OBJECT
public:
    explicit TdlgKoraAskName(QWidget* parent = nullptr);

    void setPrompt(const QString& prompt);
    void setText(const QString& text);
    void setMaxLength(int length);
    QString text() const;

    QLabel* lblPrompt() const { return lblPrompt_; }
    QLineEdit* edtFileName() const { return edtFileName_; }
    QPushButton* OKBtn() const { return OKBtn_; }
    QPushButton* CancelBtn() const { return CancelBtn_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The edit box takes the keyboard focus as the dialog appears.
    void FormShow();

    QLabel* lblPrompt_ = nullptr;
    QLineEdit* edtFileName_ = nullptr;
    QPushButton* OKBtn_ = nullptr;
    QPushButton* CancelBtn_ = nullptr;
};

} // namespace kora
