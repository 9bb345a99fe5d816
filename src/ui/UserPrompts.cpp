#include "ui/UserPrompts.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

namespace kora {
namespace {

const QString kTitle = QStringLiteral("KORA-7740P Utility");

class MessageBoxPrompts final : public UserPrompts {
public:
    void error(QWidget* parent, const QString& text) override
    {
        QMessageBox::critical(parent, kTitle, text, QMessageBox::Ok);
    }
    void warning(QWidget* parent, const QString& text) override
    {
        QMessageBox::warning(parent, kTitle, text, QMessageBox::Ok);
    }
    void information(QWidget* parent, const QString& text) override
    {
        QMessageBox::information(parent, kTitle, text, QMessageBox::Ok);
    }
    bool confirm(QWidget* parent, const QString& text) override
    {
        return QMessageBox::question(parent, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    }
    void beep() override { QApplication::beep(); }
};

MessageBoxPrompts& DefaultPrompts()
{
    static MessageBoxPrompts prompts;
    return prompts;
}

UserPrompts* g_current = nullptr;

} // namespace

UserPrompts& Prompts()
{
    return g_current ? *g_current : DefaultPrompts();
}

ScopedPrompts::ScopedPrompts(UserPrompts& replacement) : previous_(g_current)
{
    g_current = &replacement;
}

ScopedPrompts::~ScopedPrompts()
{
    g_current = previous_;
}

BusyCursor::BusyCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    Restore();
}

void BusyCursor::Restore()
{
    if (active_) {
        QGuiApplication::restoreOverrideCursor();
        active_ = false;
    }
}

} // namespace kora
