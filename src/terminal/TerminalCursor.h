#pragma once

#include <QTimer>
#include <QWidget>

class QPlainTextEdit;

namespace kora {

// The terminal's cursor: a blinking block in the pane's text colour at the output position (the
// end of the pane's last line), shown while the terminal is on.
//
// The pane is read-only, and a read-only QPlainTextEdit draws no caret; making it draw its own
// would also let Home, End and Page Up move that caret away from the output. So the block is
// painted by a transparent widget of its own over the pane's viewport, and the pane keeps its
// caret, selection and scrolling exactly as before. It blinks at the desktop's cursor flash
// rate (steadily lit when blinking is turned off there).
class TerminalCursor final : public QWidget {
    Q_OBJECT
public:
    // Parented to the pane, which must outlive nothing else: the pane owns it.
    explicit TerminalCursor(QPlainTextEdit& pane);

    void Start();
    void Stop();
    bool Running() const { return isVisible(); }
    // Whether the block is drawn at this moment of its blinking.
    bool Lit() const { return lit_; }
    // Where the block is drawn, in the pane's viewport coordinates.
    QRect BlockRect() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Blink();
    void FollowViewport();
    // Repaints where the block was and where it is now; only those, since a repaint of the
    // whole overlay would repaint the whole pane beneath it for every character of output.
    void Reposition();

    QPlainTextEdit& pane_;
    // Kept apart: the filter sees the viewport's events while the pane is being destroyed,
    // when the pane must not be asked anything.
    QWidget* const viewport_;
    QTimer blink_;
    QTimer follow_;
    bool lit_ = false;
    QRect shown_;
};

} // namespace kora
