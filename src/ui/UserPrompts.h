#pragma once

#include <QString>

class QWidget;

namespace kora {

// The program's modal message boxes, behind one seam so that tests can answer them without a
// modal loop. The application uses the QMessageBox implementation; a test installs its own
// with ScopedPrompts.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // Error box with OK.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // Warning box with OK, for refused requests.
    virtual void warning(QWidget* parent, const QString& text) = 0;
    // Plain information box with OK.
    virtual void information(QWidget* parent, const QString& text) = 0;
    // Confirmation with Yes and No; true only for Yes.
    virtual bool confirm(QWidget* parent, const QString& text) = 0;
    // The system beep.
    virtual void beep() = 0;
};

// The prompts currently in force (QMessageBox-based unless a test replaced them).
UserPrompts& Prompts();

// Installs other prompts for the lifetime of this object.
class ScopedPrompts {
public:
    explicit ScopedPrompts(UserPrompts& replacement);
    ~ScopedPrompts();
    ScopedPrompts(const ScopedPrompts&) = delete;
    ScopedPrompts& operator=(const ScopedPrompts&) = delete;

private:
    UserPrompts* previous_;
};

// Hourglass for the lifetime of a blocking operation. Restore() ends it early, so that a
// message box that follows is shown with the normal cursor.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    void Restore();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool active_ = true;
};

} // namespace kora
