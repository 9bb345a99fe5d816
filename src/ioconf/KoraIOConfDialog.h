#pragma once

#include <QDialog>

#include <array>

#include "ioconf/IoConfigTable.h"
#include "ioconf/ModuleKinds.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;

namespace kora {

// The analog I/O configuration dialog: the node number, and one page per slot with the
// module's description and its range lists. It shows the slot table it holds when it appears
// and writes the choices back into it on OK; it never talks to the controller.
class TdlgKoraIOConf final : public QDialog {
    Q_OBJECT
public:
    explicit TdlgKoraIOConf(QWidget* parent = nullptr);

    // The slot table: every slot without a module until the read-out fills it.
    IoConfigTable Config;

    QLabel* statextNodeID() const { return statextNodeID_; }
    QTabWidget* pagectrlSlot() const { return pagectrlSlot_; }
    QLabel* statextDsp(int slot) const { return slot_(slot).description; }
    QWidget* panel(int slot) const { return slot_(slot).panel; }
    QLabel* channelLabel(int slot, int channel) const;
    QComboBox* rangeBox(int slot, int channel) const;
    QPushButton* btnOK() const { return btnOK_; }
    QPushButton* btnCancel() const { return btnCancel_; }

    // Fills the box with the list's entries and selects the position; a position outside the
    // list leaves nothing selected.
    static void AssignRangeCombo(QComboBox& box, RangeList list, int position);

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct SlotControls {
        QLabel* description = nullptr;
        QWidget* panel = nullptr;
        std::array<QLabel*, kChannelCount> labels{};
        std::array<QComboBox*, kChannelCount> boxes{};
    };

    void FormCreate();
    QWidget* buildSlotPage(int slot);
    // Fills the controls from the slot table.
    void FormShow();
    void showSlot(int slot);
    // Stores the choices in the slot table, then closes with OK.
    void btnOKClick();
    void storeSlot(int slot);
    const SlotControls& slot_(int slot) const { return slots_[static_cast<std::size_t>(slot)]; }

    QLabel* statextNodeID_ = nullptr;
    QTabWidget* pagectrlSlot_ = nullptr;
    QPushButton* btnOK_ = nullptr;
    QPushButton* btnCancel_ = nullptr;
    std::array<SlotControls, kSlotCount> slots_{};
};

} // namespace kora
