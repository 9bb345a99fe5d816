#include "ui/PanelParts.h"

#include <QButtonGroup>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>

namespace kora {

QLabel* MakePanelTitle(const QString& objectName, const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(objectName);
    label->setAlignment(Qt::AlignCenter);
    // The title is blue, a light blue on a dark desktop theme, where pure blue reads at 1.6:1.
    QPalette palette = label->palette();
    const bool dark = palette.color(QPalette::Window).lightness() < 128;
    palette.setColor(QPalette::WindowText, dark ? QColor(0x8a, 0xb4, 0xf8) : QColor(Qt::blue));
    label->setPalette(palette);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QToolBar* MakePanelToolBar(const QString& objectName, QWidget* parent)
{
    auto* bar = new QToolBar(parent);
    bar->setObjectName(objectName);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(20, 20));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return bar;
}

QToolButton* AddToolButton(QToolBar& bar, const QString& objectName, const QString& hint,
                           ToolIcon icon)
{
    auto* button = new QToolButton(&bar);
    button->setObjectName(objectName);
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setIcon(ThemeIcon(icon));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    bar.addWidget(button);
    return button;
}

ViewStyleButtons AddViewStyleButtons(QToolBar& bar, const QString& namePrefix)
{
    struct Style {
        const char* suffix;
        const char* hint;
        ToolIcon icon;
    };
    static constexpr std::array<Style, 4> kStyles{{
        {"LgIcon", "Large Icons", ToolIcon::LargeIcons},
        {"SmIcon", "Small Icons", ToolIcon::SmallIcons},
        {"LsIcon", "List View", ToolIcon::ListView},
        {"DtIcon", "Report View", ToolIcon::ReportView},
    }};
    ViewStyleButtons result;
    result.group = new QButtonGroup(&bar);
    result.group->setObjectName(namePrefix + QStringLiteral("ViewStyle"));
    result.group->setExclusive(true);
    for (std::size_t i = 0; i < kStyles.size(); ++i) {
        QToolButton* button = AddToolButton(bar, namePrefix + QLatin1String(kStyles[i].suffix),
                                            QString::fromLatin1(kStyles[i].hint), kStyles[i].icon);
        button->setCheckable(true);
        result.group->addButton(button, static_cast<int>(i));
        result.buttons[i] = button;
    }
    return result;
}

} // namespace kora
