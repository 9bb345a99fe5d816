#include "ui/StatusPanels.h"

#include <QHBoxLayout>
#include <QLabel>

namespace kora {

StatusPanels::StatusPanels(const QString& objectName, const std::vector<int>& panelWidths,
                           QWidget* parent)
    : QWidget(parent)
{
    setObjectName(objectName);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 1, 0, 1);
    layout->setSpacing(2);
    for (std::size_t i = 0; i < panelWidths.size(); ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(objectName + QStringLiteral("_panel") + QString::number(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setContentsMargins(2, 0, 2, 0);
        // A fixed panel's width comes from its limits; a box layout lets an "ignored" one be
        // overlapped by its neighbour. The last panel ignores its text so that a long one
        // cannot widen the window.
        const bool last = i + 1 == panelWidths.size();
        label->setSizePolicy(last ? QSizePolicy::Ignored : QSizePolicy::Preferred,
                             QSizePolicy::Preferred);
        panels_.push_back(label);
        layout->addWidget(label);
        setPanelWidth(static_cast<int>(i), panelWidths[i]);
    }
    // The last panel takes whatever the fixed ones leave.
    if (!panels_.empty()) {
        layout->setStretchFactor(panels_.back(), 1);
    }
}

QLabel* StatusPanels::panel(int index) const
{
    return index >= 0 && index < panelCount() ? panels_[static_cast<std::size_t>(index)] : nullptr;
}

int StatusPanels::panelWidth(int index) const
{
    const QLabel* label = panel(index);
    return label ? label->minimumWidth() : 0;
}

void StatusPanels::setPanelWidth(int index, int width)
{
    if (QLabel* label = panel(index)) {
        const int w = std::max(0, width);
        label->setMinimumWidth(w);
        if (index + 1 < panelCount()) {
            label->setMaximumWidth(w);
        }
    }
}

QString StatusPanels::panelText(int index) const
{
    const QLabel* label = panel(index);
    return label ? label->text() : QString();
}

void StatusPanels::setPanelText(int index, const QString& text)
{
    if (QLabel* label = panel(index)) {
        label->setText(text);
    }
}

void StatusPanels::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit resized();
}

} // namespace kora
