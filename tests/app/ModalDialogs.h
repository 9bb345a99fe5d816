#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace kora::test {

// Acts on the next modal dialog of type Dialog once its exec() is running: the action inspects it
// and must close it. A dialog that stays open, or none appearing, fails the test and is closed so
// that the test does not hang.
template <typename Dialog> void WhenModal(std::function<void(Dialog&)> action)
{
    auto* poll = new QTimer(qApp);
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    QObject::connect(poll, &QTimer::timeout, [poll, since, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<Dialog*>(modal);
        if (!dialog && since->elapsed() < 10000) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        if (!dialog) {
            ADD_FAILURE() << "no modal " << Dialog::staticMetaObject.className() << " appeared";
            if (modal) {
                modal->close();
            }
            return;
        }
        action(*dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the action left the dialog open";
            dialog->reject();
        }
    });
    poll->start(10);
}

} // namespace kora::test
