// The main window's layout: both panes fill the window, the fixed rows keep
// their distance from the bottom, and the gap between the panes is a divider
// the user drags. Lengths are twips of the window's design; the outer size
// the design's rules speak of is the client area plus the design frame.
#pragma once

#include <QObject>

class QWidget;

namespace talvex {

struct LayoutControls {
    QWidget* client; // the design's client area; its mouse events are the window's own
    QWidget* lblCommand;
    QWidget* txtCommandList;
    QWidget* lblResponse;
    QWidget* txtResponseList;
    QWidget* lblDynamic;
    QWidget* txtDynamic;
    QWidget* cmdDynamic;
    QWidget* cmdRunScript;
    QWidget* cmdCancel;
    QWidget* cmdExit;
    QWidget* chkLog;
};

class WindowLayout : public QObject {
    Q_OBJECT
public:
    // The design's outer minimum against its client area: the frame.
    static constexpr int kFrameWidth = 9135 - 9015;
    static constexpr int kFrameHeight = 6405 - 5775;
    static constexpr int kMinClientWidth = 9015;
    static constexpr int kMinClientHeight = 5775;
    static constexpr int kGap = 75;                  // between the panes
    static constexpr int kResponseLabelWidth = 1815; // what the divider leaves the response pane

    explicit WindowLayout(const LayoutControls& controls, QObject* parent = nullptr);

    // Form_Resize: places the controls for the client area's current size.
    void Resize();
    // Whether a pointer at (x, y) twips of the client area is on the divider.
    bool OnDivider(double x, double y) const;
    bool Dragging() const { return drag_; }
    // The window's outer width and height in twips, as the rules see them.
    int OuterWidth() const;
    int OuterHeight() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MouseDown(double x, double y);
    void MouseMove(double x, double y);
    void MouseUp();
    void Place();
    void PlaceDynamicRow(int w, int h);

    LayoutControls c_;
    int editorWidth_ = 5175;
    int responseLeft_ = 5400;
    bool drag_ = false;
    double grip_ = 0;
};

} // namespace talvex
