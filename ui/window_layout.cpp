#include "ui/window_layout.h"

#include "ui/twips.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

#include <algorithm>

namespace talvex {

namespace {

constexpr int kEditorLeft = 150;
constexpr int kPaneTop = 300;
constexpr int kDynamicLeft = 1440;
constexpr int kDynamicButtonWidth = 1395;
constexpr int kDynamicButtonHeight = 375;
constexpr int kCaptionGap = 60; // between a caption and the box it names
// The divider never goes left of the end of the editor's caption.
constexpr int kDragLowerBound = 120 + 2220;

double TwipsOf(double pixels) {
    return pixels * kTwipsPerPixel;
}

} // namespace

WindowLayout::WindowLayout(const LayoutControls& controls, QObject* parent)
    : QObject(parent), c_(controls) {
    c_.client->setMouseTracking(true);
    c_.client->installEventFilter(this);
    for (QWidget* pane : {c_.txtCommandList, c_.txtResponseList})
        pane->installEventFilter(this);
}

int WindowLayout::OuterWidth() const {
    return static_cast<int>(TwipsOf(c_.client->width())) + kFrameWidth;
}

int WindowLayout::OuterHeight() const {
    return static_cast<int>(TwipsOf(c_.client->height())) + kFrameHeight;
}

void WindowLayout::Resize() {
    if (c_.client->window()->isMinimized()) return;
    // The client's minimum size keeps the window at least at the design size.
    const int w = OuterWidth();
    const int h = OuterHeight();
    // Too narrow for the response pane's caption: the divider gives way.
    if (w - kResponseLabelWidth - 240 < responseLeft_) {
        responseLeft_ = w - kResponseLabelWidth - 240;
        editorWidth_ = responseLeft_ - kEditorLeft - kGap;
    }
    const int paneHeight = h - kPaneTop - 1710;
    c_.txtCommandList->setGeometry(TwipsRect(kEditorLeft, kPaneTop, editorWidth_, paneHeight));
    c_.txtResponseList->setGeometry(
        TwipsRect(responseLeft_, kPaneTop, w - responseLeft_ - 240, paneHeight));
    for (QWidget* row : {c_.cmdRunScript, c_.cmdCancel, c_.cmdExit, c_.chkLog})
        row->move(row->x(), Twips(h - 1185));
    PlaceDynamicRow(w, h);
    c_.lblDynamic->move(c_.lblDynamic->x(), Twips(h - 1545));
    c_.lblResponse->move(Twips(responseLeft_), c_.lblResponse->y());
}

void WindowLayout::PlaceDynamicRow(int w, int h) {
    // The caption shows whole, and the button sits at the row's right end,
    // the text box shortened by its width: nothing covers anything.
    const int left =
        std::max(Twips(kDynamicLeft), c_.lblDynamic->geometry().right() + 1 + Twips(kCaptionGap));
    const int right = Twips(w - 240);
    const QRect button(right - Twips(kDynamicButtonWidth),
                       Twips(h - 1605) + (Twips(315) - Twips(kDynamicButtonHeight)) / 2,
                       Twips(kDynamicButtonWidth), Twips(kDynamicButtonHeight));
    c_.cmdDynamic->setGeometry(button);
    c_.txtDynamic->setGeometry(left, Twips(h - 1605), button.left() - Twips(kGap) - left,
                               Twips(315));
}

void WindowLayout::Place() {
    const int w = OuterWidth();
    const QRect editor = c_.txtCommandList->geometry();
    c_.txtCommandList->resize(Twips(editorWidth_), editor.height());
    c_.txtResponseList->setGeometry(Twips(responseLeft_), editor.y(),
                                    Twips(w - responseLeft_ - 240), editor.height());
    c_.lblResponse->move(Twips(responseLeft_), c_.lblResponse->y());
}

bool WindowLayout::OnDivider(double x, double y) const {
    const double editorTop = kPaneTop;
    const double editorBottom = TwipsOf(c_.txtCommandList->geometry().bottom() + 1);
    const double editorRight = kEditorLeft + editorWidth_;
    const double responseLeft = responseLeft_;
    return editorTop < y && y < editorBottom && editorRight < x && x < responseLeft;
}

void WindowLayout::MouseDown(double x, double y) {
    if (!OnDivider(x, y)) return;
    drag_ = true;
    grip_ = x - (kEditorLeft + editorWidth_);
}

void WindowLayout::MouseMove(double x, double y) {
    if (OnDivider(x, y))
        c_.client->setCursor(Qt::SplitHCursor);
    else if (!drag_)
        c_.client->unsetCursor();
    if (!drag_) return;
    const int w = OuterWidth();
    if (!(x < w - kResponseLabelWidth - 240 && x > kDragLowerBound)) return;
    editorWidth_ = static_cast<int>(x - grip_) - kEditorLeft;
    responseLeft_ = kEditorLeft + editorWidth_ + kGap;
    Place();
}

void WindowLayout::MouseUp() {
    drag_ = false;
    c_.client->unsetCursor();
}

bool WindowLayout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == c_.client) {
        switch (event->type()) {
        case QEvent::Resize:
            Resize();
            break;
        case QEvent::MouseButtonPress: {
            const QPointF p = static_cast<QMouseEvent*>(event)->position();
            MouseDown(TwipsOf(p.x()), TwipsOf(p.y()));
            break;
        }
        case QEvent::MouseMove: {
            const QPointF p = static_cast<QMouseEvent*>(event)->position();
            MouseMove(TwipsOf(p.x()), TwipsOf(p.y()));
            break;
        }
        case QEvent::MouseButtonRelease:
            MouseUp();
            break;
        default:
            break;
        }
    } else if (event->type() == QEvent::Enter && !drag_) {
        // On a pane the sizing arrow goes.
        c_.client->unsetCursor();
    }
    return false;
}

} // namespace talvex
