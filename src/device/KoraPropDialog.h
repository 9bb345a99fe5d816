#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kora {

// Properties of a device entry or of the directory the device panel shows. The caller fills
// the seven texts; they appear in the value labels when the dialog is shown.
class TdlgKoraProp final : public QDialog {
    Q_OBJECT
public:
    explicit TdlgKoraProp(QWidget* parent = nullptr);

    QString Module;
    QString Name;
    QString Path;
    QString Type;
    QString Size;
    QString Date;
    QString Contain;

    QLabel* lblModule() const { return lblModule_; }
    QLabel* lblName() const { return lblName_; }
    QLabel* lblPath() const { return lblPath_; }
    QLabel* lblType() const { return lblType_; }
    QLabel* lblSize() const { return lblSize_; }
    QLabel* lblDate() const { return lblDate_; }
    QLabel* lblContain() const { return lblContain_; }
    QPushButton* OKBtn() const { return OKBtn_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Copies the seven texts into their value labels.
    void FormShow();
    QLabel* addRow(int row, const QString& caption, const QString& valueName);

    QLabel* lblModule_ = nullptr;
    QLabel* lblName_ = nullptr;
    QLabel* lblPath_ = nullptr;
    QLabel* lblType_ = nullptr;
    QLabel* lblSize_ = nullptr;
    QLabel* lblDate_ = nullptr;
    QLabel* lblContain_ = nullptr;
    QPushButton* OKBtn_ = nullptr;
};

} // namespace kora
