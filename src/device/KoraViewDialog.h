#pragma once

#include <QDialog>

#include <string>

#include "filelist/LocalPath.h"

class QPlainTextEdit;
class QPushButton;

namespace kora {

// A text file read back from the controller, shown read-only in a monospace font with its name
// and size in the title; a file kept without its padding or end-of-file mark says so there
// (`note`, KeptTextNote). "Save As..." keeps the very bytes that were read on the PC (the file
// dialog asks before it replaces a file).
class TdlgKoraView final : public QDialog {
    Q_OBJECT
public:
    TdlgKoraView(const std::string& name, std::string content, QWidget* parent = nullptr,
                 const std::string& note = {});

    QPlainTextEdit* meoText() const { return meoText_; }
    QPushButton* btnSaveAs() const { return btnSaveAs_; }
    const std::string& content() const { return content_; }

    // "Save As...": asks for a PC file, then saveTo.
    void SaveAsClick();
    // Writes the bytes to the path, whole or not at all, replacing a file there; shows an error
    // box and returns false when it cannot.
    bool saveTo(const LocalPath& path);

private:
    std::string name_;
    std::string content_;
    QPlainTextEdit* meoText_ = nullptr;
    QPushButton* btnSaveAs_ = nullptr;
};

// The title of the viewer: "README.TXT (1234 bytes)", or with a note of what was kept,
// "RUNME.BAT (18 of 128 bytes, the text before the zero padding of an upload)".
QString ViewTitle(const std::string& name, std::size_t size, const std::string& note = {});

} // namespace kora
