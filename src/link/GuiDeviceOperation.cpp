#include "link/GuiDeviceOperation.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QString>
#include <QTextBlock>
#include <QTextDocument>

#include "link/ConsoleLogFile.h"
#include "link/DeviceLink.h"
#include "ui/ByteText.h"
#include "ui/UserInputBlock.h"
#include "ui/UserPrompts.h"

namespace kora {

int PaneConsoleLog::lineCount() const
{
    // A document always has one block; an empty pane holds no line.
    if (pane_.document()->isEmpty()) {
        return 0;
    }
    return pane_.blockCount();
}

void PaneConsoleLog::clear()
{
    pane_.clear();
}

void PaneConsoleLog::appendLine(const std::string& text)
{
    pane_.appendPlainText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    ConsoleLogFile::LogShownLine(text);
    pane_.document()->lastBlock().setUserState(kPaneLineLogged);
    // Let the pane repaint while the operation blocks the GUI thread, without taking any input.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

OperationResult RunGuiDeviceOperation(DeviceLink& link, QWidget* parent, QPlainTextEdit& pane,
                                      const DeviceOperation& op)
{
    const PortLease lease = link.acquire(PortHolder::DeviceOperation);
    return RunGuiDeviceOperation(lease, parent, pane, op);
}

OperationResult RunGuiDeviceOperation(const PortLease& held, QWidget* parent, QPlainTextEdit& pane,
                                      const DeviceOperation& op)
{
    if (!held) {
        OperationResult refused;
        refused.ok = false;
        refused.refused = true;
        return refused;
    }
    OperationResult result;
    {
        BusyCursor busy;
        const UserInputBlock noInput;
        PaneConsoleLog log(pane);
        DeviceOperation timed = op;
        timed.timing = held.link()->timing();
        result = RunDeviceOperation(held.link()->portName().toStdString(), timed, log);
    }
    if (!result.ok) {
        Prompts().error(parent, ByteText(result.message));
    }
    return result;
}

} // namespace kora
