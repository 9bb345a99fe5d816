#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>
#include <memory>

namespace kora::test {

// Answers the next modal dialog of type Dialog once it is on screen (or, with Every, each one
// while it lives): `answer` may read it, type into it and close it. Undone when it goes out of
// scope before the dialog came.
enum class AnswerTimes { Once, Every };

template <typename Dialog> class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(Dialog&)> answer, AnswerTimes times = AnswerTimes::Once)
        : answer_(std::move(answer)), timer_(std::make_unique<QTimer>())
    {
        QObject::connect(timer_.get(), &QTimer::timeout, [this, times] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr && dialog->isVisible()) {
                if (times == AnswerTimes::Once) {
                    timer_->stop();
                }
                ++answered_;
                answer_(*dialog);
            }
        });
        timer_->start(5);
    }

    int answered() const { return answered_; }

private:
    std::function<void(Dialog&)> answer_;
    std::unique_ptr<QTimer> timer_;
    int answered_ = 0;
};

} // namespace kora::test
