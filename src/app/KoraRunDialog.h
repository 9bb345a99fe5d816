#pragma once

#include <QDialog>

#include <QString>
#include <functional>

class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kora {

// "Run KORA-7200 Utility": asks for the command line of the companion program, offering the one
// confirmed last. OK stores the text and closes; Cancel closes; Browse picks a program file.
class TdlgKoraRun final : public QDialog {
    Q_OBJECT
public:
    // Loads the stored command line into the edit box (FormCreate).
    explicit TdlgKoraRun(QWidget* parent = nullptr);

    QLabel* Label1() const { return Label1_; }
    QLineEdit* edtAppName() const { return edtAppName_; }
    QPushButton* btnOK() const { return btnOK_; }
    QPushButton* btnCancel() const { return btnCancel_; }
    QPushButton* btnBrowse() const { return btnBrowse_; }

    // The command line taken by OK; empty until then.
    QString ConfirmedCommandLine() const { return confirmedCommandLine_; }

    // The texts of the file dialog's type filters, the first one selected.
    static QStringList BrowseFilters();

public slots:
    void btnBrowseClick();
    void btnOKClick();

private:
    void FormCreate();
    void centreOnDesktop();

    QLabel* Label1_ = nullptr;
    QLineEdit* edtAppName_ = nullptr;
    QPushButton* btnOK_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    QPushButton* btnBrowse_ = nullptr;
    QString confirmedCommandLine_;
};

// "Run KORA Utility": asks for the companion program and starts it, with an error box when it
// cannot be started. releasePort runs first, once the user has confirmed.
void RunCompanionProgram(QWidget* parent, const std::function<void()>& releasePort);

} // namespace kora
