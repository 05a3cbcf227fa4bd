// The main window's layout: both panes fill the window, the fixed rows keep
// their distance from the bottom, and the gap between the panes is a divider
// the user drags. Everything is in twips of the client area; the outer size
// the design's rules speak of is the client area plus the design frame.
#pragma once

#include "windowcore/window_geometry.h"

#include <array>

namespace talvex {

class WindowLayout {
public:
    static constexpr int kGap = 75;                  // between the panes
    static constexpr int kResponseLabelWidth = 1815; // what the divider leaves the response pane
    static constexpr int kFindingsHeight = 1200;     // the script check's list below the editor

    WindowLayout();

    // A caption keeps its place and takes the width its text needs.
    void FitCaption(Control caption, int widthTwips);
    // Form_Resize: places the controls for a client area of this size.
    void Resize(int clientWidth, int clientHeight);
    const DesignRect& Rect(Control c) const { return rects_[static_cast<std::size_t>(c)]; }
    // The script check's list: below the editor, as wide as it, when shown;
    // hidden, its height goes to the editor.
    void SetFindingsShown(bool shown);
    bool FindingsShown() const { return findingsShown_; }
    DesignRect FindingsRect() const;

    // The divider. Each returns whether the controls moved.
    bool OnDivider(int x, int y) const;
    void MouseDown(int x, int y);
    bool MouseMove(int x, int y);
    void MouseUp() { drag_ = false; }
    bool Dragging() const { return drag_; }
    // The sizing arrow shows on the divider and during a drag.
    bool SplitPointer(int x, int y) const { return drag_ || OnDivider(x, y); }

    int OuterWidth() const { return clientWidth_ + WindowDesign::kFrameWidth; }
    int OuterHeight() const { return clientHeight_ + WindowDesign::kFrameHeight; }

private:
    DesignRect& At(Control c) { return rects_[static_cast<std::size_t>(c)]; }
    void PlaceDynamicRow(int w, int h);
    void PlacePanes();

    std::array<DesignRect, kControlCount> rects_;
    int clientWidth_ = WindowDesign::kMinClientWidth;
    int clientHeight_ = WindowDesign::kMinClientHeight;
    int editorWidth_;
    int responseLeft_;
    int paneHeight_ = 0;
    bool findingsShown_ = false;
    bool drag_ = false;
    int grip_ = 0;
};

} // namespace talvex
