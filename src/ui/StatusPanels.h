#pragma once

#include <QWidget>

#include <vector>

class QLabel;

namespace kora {

// A status bar made of fixed-width text panels side by side; the last panel also takes any
// width left over. Each panel is a QLabel named after the bar ("<bar>_panel0", ...), so tests
// and accessibility tools find it.
class StatusPanels final : public QWidget {
    Q_OBJECT
public:
    StatusPanels(const QString& objectName, const std::vector<int>& panelWidths,
                 QWidget* parent = nullptr);

    int panelCount() const { return static_cast<int>(panels_.size()); }
    int panelWidth(int index) const;
    void setPanelWidth(int index, int width);
    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);
    QLabel* panel(int index) const;

signals:
    // After the bar itself changed size; its owner may rearrange the panel widths.
    void resized();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<QLabel*> panels_;
};

} // namespace kora
