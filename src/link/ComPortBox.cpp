#include "link/ComPortBox.h"

#include <QComboBox>
#include <QFont>
#include <QPalette>
#include <QSignalBlocker>

#include "link/PortNames.h"
#include "link/PortWatcher.h"

#include <filesystem>
#include <set>
#include <system_error>

namespace kora {
namespace {

// Set on an item whose port is gone.
constexpr int kGoneRole = Qt::UserRole + 1;

QString Text(const std::string& text)
{
    return QString::fromLocal8Bit(text.c_str());
}

std::string Name(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

// The device node a port name stands for, links followed.
std::string DeviceBehind(const std::string& name, const ComPortScanSources& sources)
{
    const std::string device = ResolvePortName(name, sources.portsFolder, sources.deviceFolder);
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(device, ec);
    return ec ? device : canonical.string();
}

} // namespace

ComPortBox::ComPortBox(QComboBox& box, ComPortScanSources sources, QObject* parent)
    : QObject(parent), box_(box), sources_(std::move(sources))
{
    std::vector<std::filesystem::path> folders{sources_.portsFolder, sources_.deviceFolder,
                                               sources_.byIdFolder.parent_path(),
                                               sources_.byIdFolder};
    // A pseudo-terminal behind a ports-folder link goes away without its link.
    folders.emplace_back("/dev/pts");
    watcher_ = std::make_unique<PortWatcher>(std::move(folders));
    connect(watcher_.get(), &PortWatcher::portsMayHaveChanged, this, &ComPortBox::update);
    connect(&box_, &QComboBox::currentIndexChanged, this, [this](int index) {
        box_.setToolTip(index >= 0 ? box_.itemData(index, Qt::ToolTipRole).toString() : QString());
    });
    describeAll();
}

ComPortBox::~ComPortBox() = default;

void ComPortBox::describeAll()
{
    const std::vector<SerialDeviceInfo> known =
        sources_.describeDevices ? sources_.describeDevices() : std::vector<SerialDeviceInfo>{};
    for (int i = 0; i < box_.count(); ++i) {
        describe(i, known);
    }
}

bool ComPortBox::markedGone(const QComboBox& box, int index)
{
    return box.itemData(index, kGoneRole).toBool();
}

void ComPortBox::update()
{
    // Inserting into a box must not change what it shows: the text may be a name the user is
    // typing, and the selected port is the link's.
    const QSignalBlocker quiet(&box_);
    const QString shown = box_.currentText();
    const int selected = box_.currentIndex();
    const QString selectedName = selected >= 0 ? box_.itemText(selected) : QString();

    // A device the box offers already under another name (a COMn that falls back to its ttyS
    // node) is not offered twice.
    std::set<std::string> offered;
    for (int i = 0; i < box_.count(); ++i) {
        offered.insert(DeviceBehind(Name(box_.itemText(i)), sources_));
    }
    for (const std::string& name : PresentPorts(sources_)) {
        if (box_.findText(Text(name), Qt::MatchFixedString) >= 0 ||
            offered.count(DeviceBehind(name, sources_)) > 0) {
            continue;
        }
        int at = 0;
        while (at < box_.count() && PortNameLess(Name(box_.itemText(at)), name)) {
            ++at;
        }
        box_.insertItem(at, Text(name));
    }
    describeAll();

    box_.setCurrentIndex(selectedName.isEmpty() ? -1 : box_.findText(selectedName));
    if (box_.isEditable()) {
        box_.setEditText(shown);
    }
    const int now = box_.currentIndex();
    box_.setToolTip(now >= 0 ? box_.itemData(now, Qt::ToolTipRole).toString() : QString());
}

void ComPortBox::describe(int index, const std::vector<SerialDeviceInfo>& known)
{
    const std::string name = Name(box_.itemText(index));
    const bool gone = !PortPresent(name, sources_);
    QFont font = box_.font();
    font.setItalic(gone);
    box_.setItemData(index, gone, kGoneRole);
    box_.setItemData(index, font, Qt::FontRole);
    box_.setItemData(index,
                     gone ? QVariant(box_.palette().color(QPalette::Disabled, QPalette::Text))
                          : QVariant(),
                     Qt::ForegroundRole);
    const QString tip = gone ? Text(name) + QStringLiteral(" is not there now (unplugged?)")
                             : Text(PortDescription(name, sources_, known));
    box_.setItemData(index, tip, Qt::ToolTipRole);
    // Colour and italics reach no screen reader, and a tool tip only the pointer: assistive
    // technology reads a gone port's list item with this description.
    box_.setItemData(index, gone ? QVariant(tip) : QVariant(), Qt::AccessibleDescriptionRole);
}

} // namespace kora
