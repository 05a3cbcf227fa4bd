#include "win32/response_view.h"

#include "engine/text_codec.h"
#include "windowcore/editor_text.h"

namespace talvex {

void ResponseView::Update(std::string_view shown, std::string_view text, bool tailOnly) {
    text_.assign(text);
    const PaneEdit edit = PaneUpdate(shown, text);
    const PaneTail tail = tailOnly ? PaneTailOf(text, kTailLines) : PaneTail{};
    // The pane is filled anew when most of it goes (over its limit it lost
    // its first half: RichEdit takes a paragraph out at a cost that grows
    // with the text), when the change reaches into lines held out, and when
    // more than a tail's worth of lines comes in.
    if (edit.dropFront == 0 && edit.from >= shown.size() / 4 && edit.from >= hidden_ &&
        edit.from >= tail.hidden) {
        pane_.ReplaceTail(0, edit.from - hidden_, Utf8ToUtf16(LfLineEnds(edit.insert)));
        return;
    }
    hidden_ = tail.hidden;
    pane_.ReplaceAll(Utf8ToUtf16(LfLineEnds(text.substr(tail.from))));
}

bool ResponseView::Complete() {
    if (hidden_ == 0) return false;
    HWND h = pane_.Handle();
    const auto [selStart, selEnd] = pane_.Selection();
    const bool atEnd = [h] {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_ALL;
        if (!GetScrollInfo(h, SB_VERT, &si) || si.nPage == 0) return true;
        return si.nPos + static_cast<int>(si.nPage) > si.nMax - 1;
    }();
    POINTL topLeft{1, 1};
    const auto top = static_cast<std::size_t>(
        SendMessageW(h, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&topLeft)));
    const std::size_t shift = hidden_;
    hidden_ = 0;
    pane_.ReplaceAll(Utf8ToUtf16(LfLineEnds(text_)));
    h = pane_.Handle(); // a long text gets a new control
    CHARRANGE sel{static_cast<LONG>(selStart + shift), static_cast<LONG>(selEnd + shift)};
    SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    if (atEnd) {
        pane_.ScrollToEnd();
    } else {
        const LRESULT row = SendMessageW(h, EM_EXLINEFROMCHAR, 0, static_cast<LPARAM>(top + shift));
        const LRESULT first = SendMessageW(h, EM_GETFIRSTVISIBLELINE, 0, 0);
        SendMessageW(h, EM_LINESCROLL, 0, row - first);
    }
    return true;
}

} // namespace talvex
