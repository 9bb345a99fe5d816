#include "ioconf/KoraIOConfDialog.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ioconf/RangeLists.h"

namespace kora {
namespace {

// The longest range text ("Bi-direction counter") fits without being cut.
constexpr int kRangeBoxCharacters = 20;

QString Indexed(const char* prefix, int slot)
{
    return QString::fromLatin1(prefix) + QString::number(slot);
}

// The label keeps its place in the grid while hidden, so the visible boxes never move.
template <typename Widget> Widget* KeepPlaceWhenHidden(Widget* widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
    return widget;
}

QLabel* StaticText(QWidget* parent, const QString& objectName)
{
    auto* text = new QLabel(parent);
    text->setObjectName(objectName);
    text->setTextFormat(Qt::PlainText);
    text->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    text->setMargin(2);
    return text;
}

// The box's text is what it shows: a position only when that text is one of its entries, so
// typed text that matches none counts as no choice.
int SelectedPosition(const QComboBox& box)
{
    return box.findText(box.currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

} // namespace

TdlgKoraIOConf::TdlgKoraIOConf(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("dlgKoraIOConf"));
    setWindowTitle(QStringLiteral("KORA-7740P Analog IO Configuration"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    FormCreate();
}

void TdlgKoraIOConf::FormCreate()
{
    auto* layout = new QVBoxLayout(this);
    // A fixed dialog border: the dialog keeps the size its contents need.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* nodeRow = new QHBoxLayout;
    auto* label1 = new QLabel(QStringLiteral("Node ID:"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    statextNodeID_ = StaticText(this, QStringLiteral("statextNodeID"));
    statextNodeID_->setMinimumWidth(80);
    auto* label2 = new QLabel(QStringLiteral("HEX"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    nodeRow->addWidget(label1);
    nodeRow->addWidget(statextNodeID_);
    nodeRow->addWidget(label2);
    nodeRow->addStretch(1);
    layout->addLayout(nodeRow);

    pagectrlSlot_ = new QTabWidget(this);
    pagectrlSlot_->setObjectName(QStringLiteral("pagectrlSlot"));
    for (int s = 0; s < kSlotCount; ++s) {
        pagectrlSlot_->addTab(buildSlotPage(s), Indexed("Slot", s));
    }
    layout->addWidget(pagectrlSlot_);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    btnOK_ = new QPushButton(QStringLiteral("OK"), this);
    btnOK_->setObjectName(QStringLiteral("btnOK"));
    btnOK_->setDefault(true);
    connect(btnOK_, &QPushButton::clicked, this, &TdlgKoraIOConf::btnOKClick);
    btnCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));
    connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
    buttonRow->addWidget(btnOK_);
    buttonRow->addWidget(btnCancel_);
    layout->addLayout(buttonRow);
}

QWidget* TdlgKoraIOConf::buildSlotPage(int slot)
{
    SlotControls& controls = slots_[static_cast<std::size_t>(slot)];
    auto* page = new QWidget;
    page->setObjectName(Indexed("tbsheetSlot", slot));
    auto* pageLayout = new QVBoxLayout(page);

    auto* descriptionRow = new QHBoxLayout;
    auto* descriptionLabel = new QLabel(QStringLiteral("Description:"), page);
    descriptionLabel->setObjectName(Indexed("lblDescSL", slot));
    controls.description = StaticText(page, Indexed("statextDspSL", slot));
    controls.description->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    descriptionRow->addWidget(descriptionLabel);
    descriptionRow->addWidget(controls.description, 1);
    pageLayout->addLayout(descriptionRow);

    auto* panel = KeepPlaceWhenHidden(new QFrame(page));
    panel->setObjectName(Indexed("panelSL", slot));
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    controls.panel = panel;
    auto* grid = new QGridLayout(panel);
    grid->setHorizontalSpacing(8);
    grid->setColumnMinimumWidth(2, 16);
    // The output module's panel says "Input Range:" too.
    auto* rangeLabel = new QLabel(QStringLiteral("Input Range:"), panel);
    rangeLabel->setObjectName(Indexed("lblRangeSL", slot));
    grid->addWidget(rangeLabel, 0, 0, 1, 5);

    // Fixed-pitch, so that the blanks inside the range texts line their columns up.
    const QFont rangeFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QString prefix = Indexed("SL", slot);
    for (int c = 0; c < kChannelCount; ++c) {
        auto* label = KeepPlaceWhenHidden(new QLabel(Indexed("CH", c), panel));
        label->setObjectName("lbl" + prefix + Indexed("CH", c));
        auto* box = KeepPlaceWhenHidden(new QComboBox(panel));
        box->setObjectName("cbx" + prefix + Indexed("Rg", c));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setFont(rangeFont);
        box->setMinimumContentsLength(kRangeBoxCharacters);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        // CH0-CH3 down the left column, CH4-CH7 down the right.
        const int row = 1 + c % 4;
        const int column = c < 4 ? 0 : 3;
        grid->addWidget(label, row, column);
        grid->addWidget(box, row, column + 1);
        controls.labels[static_cast<std::size_t>(c)] = label;
        controls.boxes[static_cast<std::size_t>(c)] = box;
    }
    pageLayout->addWidget(panel);
    pageLayout->addStretch(1);
    return page;
}

QLabel* TdlgKoraIOConf::channelLabel(int slot, int channel) const
{
    return slot_(slot).labels[static_cast<std::size_t>(channel)];
}

QComboBox* TdlgKoraIOConf::rangeBox(int slot, int channel) const
{
    return slot_(slot).boxes[static_cast<std::size_t>(channel)];
}

void TdlgKoraIOConf::AssignRangeCombo(QComboBox& box, RangeList list, int position)
{
    box.clear();
    for (const char* text : RangeTexts(list)) {
        box.addItem(QString::fromLatin1(text));
    }
    box.setCurrentIndex(position >= 0 && position < box.count() ? position : -1);
}

void TdlgKoraIOConf::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TdlgKoraIOConf::FormShow()
{
    // Node -1 shows as FFFFFFFF: the number's 32 bits, at least two digits.
    statextNodeID_->setText(
        QStringLiteral("%1")
            .arg(static_cast<std::uint32_t>(Config.NodeID), 2, 16, QLatin1Char('0'))
            .toUpper());
    for (int s = 0; s < kSlotCount; ++s) {
        showSlot(s);
    }
}

void TdlgKoraIOConf::showSlot(int slot)
{
    const IoSlotConfig& config = Config.SlotConfig[static_cast<std::size_t>(slot)];
    const ModuleKind& kind = ModuleKindOf(config.ModuleType);
    const SlotControls& controls = slot_(slot);
    controls.description->setText(QString::fromLatin1(kind.description));
    controls.panel->setVisible(kind.area != ChannelArea::None);
    if (kind.area == ChannelArea::None) {
        return;
    }
    // A single list stands for all channels and shows channel 0's code.
    const bool single = kind.area == ChannelArea::SingleList;
    const int shown = single ? 1 : kind.channels;
    for (int c = 0; c < kChannelCount; ++c) {
        QLabel* label = controls.labels[static_cast<std::size_t>(c)];
        QComboBox* box = controls.boxes[static_cast<std::size_t>(c)];
        label->setText(single && c == 0 ? QStringLiteral("All") : Indexed("CH", c));
        label->setVisible(c < shown);
        box->setVisible(c < shown);
        if (c < shown) {
            AssignRangeCombo(
                *box, *kind.list,
                RangePositionOf(*kind.list, config.RangeCode[static_cast<std::size_t>(c)]));
        }
    }
}

void TdlgKoraIOConf::btnOKClick()
{
    for (int s = 0; s < kSlotCount; ++s) {
        storeSlot(s);
    }
    accept();
}

void TdlgKoraIOConf::storeSlot(int slot)
{
    IoSlotConfig& config = Config.SlotConfig[static_cast<std::size_t>(slot)];
    const ModuleKind& kind = ModuleKindOf(config.ModuleType);
    if (!kind.list) {
        return;
    }
    const SlotControls& controls = slot_(slot);
    // A box without a choice keeps the codes as they were read, so OK alone changes nothing.
    if (kind.area == ChannelArea::SingleList) {
        const int position = SelectedPosition(*controls.boxes[0]);
        if (position < 0) {
            return;
        }
        const std::int32_t code = RangeCodeOf(*kind.list, position);
        for (int c = 0; c < kind.channels; ++c) {
            config.RangeCode[static_cast<std::size_t>(c)] = code;
        }
        return;
    }
    for (int c = 0; c < kind.channels; ++c) {
        const int position = SelectedPosition(*controls.boxes[static_cast<std::size_t>(c)]);
        if (position >= 0) {
            config.RangeCode[static_cast<std::size_t>(c)] = RangeCodeOf(*kind.list, position);
        }
    }
}

} // namespace kora
