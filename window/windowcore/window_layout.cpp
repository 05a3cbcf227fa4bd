#include "windowcore/window_layout.h"

#include <algorithm>

namespace talvex {

namespace {

constexpr int kRightMargin = 240;
constexpr int kCaptionGap = 60; // between a caption and the box it names
// The divider never goes left of the end of the editor's caption.
constexpr int kDragLowerBound = 120 + 2220;
// The fixed rows' distances from the outer bottom edge.
constexpr int kPaneBottomMargin = 1710;
constexpr int kButtonRowFromBottom = 1185;
constexpr int kDynamicRowFromBottom = 1605;
constexpr int kDynamicCaptionFromBottom = 1545;

} // namespace

WindowLayout::WindowLayout() {
    for (const ControlDesign& d : kWindowDesign)
        At(d.control) = d.rect;
    editorWidth_ = Rect(Control::txtCommandList).width;
    paneHeight_ = Rect(Control::txtCommandList).height;
    responseLeft_ = Rect(Control::txtResponseList).x;
}

void WindowLayout::FitCaption(Control caption, int widthTwips) {
    At(caption).width = std::max(DesignOf(caption).rect.width, widthTwips);
}

void WindowLayout::Resize(int clientWidth, int clientHeight) {
    // The window is never smaller than the design.
    clientWidth_ = std::max(clientWidth, WindowDesign::kMinClientWidth);
    clientHeight_ = std::max(clientHeight, WindowDesign::kMinClientHeight);
    const int w = OuterWidth();
    const int h = OuterHeight();
    // Too narrow for the response pane's caption: the divider gives way.
    if (w - kResponseLabelWidth - kRightMargin < responseLeft_) {
        responseLeft_ = w - kResponseLabelWidth - kRightMargin;
        editorWidth_ = responseLeft_ - Rect(Control::txtCommandList).x - kGap;
    }
    paneHeight_ = h - Rect(Control::txtCommandList).y - kPaneBottomMargin;
    At(Control::txtResponseList).height = paneHeight_;
    PlacePanes();
    for (Control row :
         {Control::cmdRunScript, Control::cmdCancel, Control::cmdExit, Control::chkLog})
        At(row).y = h - kButtonRowFromBottom;
    At(Control::lblDynamic).y = h - kDynamicCaptionFromBottom;
    PlaceDynamicRow(w, h);
}

void WindowLayout::SetFindingsShown(bool shown) {
    findingsShown_ = shown;
    PlacePanes();
}

DesignRect WindowLayout::FindingsRect() const {
    const DesignRect& editor = Rect(Control::txtCommandList);
    return {editor.x, editor.Bottom() + kGap, editor.width, findingsShown_ ? kFindingsHeight : 0};
}

void WindowLayout::PlacePanes() {
    const int w = OuterWidth();
    At(Control::txtCommandList).width = editorWidth_;
    At(Control::txtCommandList).height =
        findingsShown_ ? std::max(0, paneHeight_ - kFindingsHeight - kGap) : paneHeight_;
    DesignRect& response = At(Control::txtResponseList);
    response.x = responseLeft_;
    response.width = w - responseLeft_ - kRightMargin;
    At(Control::lblResponse).x = responseLeft_;
}

void WindowLayout::PlaceDynamicRow(int w, int h) {
    // The caption shows whole, and the button sits at the row's right end,
    // the text box shortened by its width: nothing covers anything.
    const DesignRect& caption = Rect(Control::lblDynamic);
    const int left = std::max(DesignOf(Control::txtDynamic).rect.x, caption.Right() + kCaptionGap);
    const int top = h - kDynamicRowFromBottom;
    const int boxHeight = DesignOf(Control::txtDynamic).rect.height;
    DesignRect& button = At(Control::cmdDynamic);
    button.x = w - kRightMargin - button.width;
    button.y = top + (boxHeight - button.height) / 2;
    At(Control::txtDynamic) = {left, top, button.x - kGap - left, boxHeight};
}

bool WindowLayout::OnDivider(int x, int y) const {
    const DesignRect& editor = Rect(Control::txtCommandList);
    const DesignRect& response = Rect(Control::txtResponseList);
    return editor.y < y && y < response.Bottom() && editor.Right() < x && x < responseLeft_;
}

void WindowLayout::MouseDown(int x, int y) {
    if (!OnDivider(x, y)) return;
    drag_ = true;
    grip_ = x - Rect(Control::txtCommandList).Right();
}

bool WindowLayout::MouseMove(int x, int /*y*/) {
    if (!drag_) return false;
    const int w = OuterWidth();
    if (!(x < w - kResponseLabelWidth - kRightMargin && x > kDragLowerBound)) return false;
    const int left = Rect(Control::txtCommandList).x;
    editorWidth_ = x - grip_ - left;
    responseLeft_ = left + editorWidth_ + kGap;
    PlacePanes();
    return true;
}

} // namespace talvex
