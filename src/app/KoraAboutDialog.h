#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kora {

// "About KORA-7740P Utility": the program's picture, its name and its version.
class TdlgKoraAbout final : public QDialog {
    Q_OBJECT
public:
    explicit TdlgKoraAbout(QWidget* parent = nullptr);

    QLabel* ProgramIcon() const { return ProgramIcon_; }
    QLabel* ProductName() const { return ProductName_; }
    QLabel* Version() const { return Version_; }
    QPushButton* OKBtn() const { return OKBtn_; }

private:
    QLabel* ProgramIcon_ = nullptr;
    QLabel* ProductName_ = nullptr;
    QLabel* Version_ = nullptr;
    QPushButton* OKBtn_ = nullptr;
};

} // namespace kora
