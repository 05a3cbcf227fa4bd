// The user's guide in a window of the program's own, for a PC where no PDF
// viewer opens talvex_help.pdf: the guide's Markdown (built into the program)
// rendered in a RichEdit, its headings as a table of contents, and Find.
#pragma once

#include "ddelink/win32.h"
#include "windowcore/guide_rtf.h"

#include <string>
#include <string_view>

namespace talvex {

// The guide built into the program; empty when it has none.
std::string_view BuiltInGuide();

// Whether `path` names the guide's PDF, the document the built-in guide stands in for.
bool IsGuidePdf(std::string_view path);

class GuideWindow {
public:
    // Made hidden, owned by `owner`.
    GuideWindow(HWND owner, std::string_view markdown);
    ~GuideWindow();
    GuideWindow(const GuideWindow&) = delete;
    GuideWindow& operator=(const GuideWindow&) = delete;

    // Shows the window and brings it to the front.
    void Show();
    // Looks for the find field's text after the selection (before it when
    // `backwards`), going round the end of the guide once; false when the
    // guide does not hold it.
    bool FindNext(bool backwards = false);
    // Brings heading number `index` to the top of the text.
    void ShowHeading(std::size_t index);

    enum ItemId { kFindLabel = 1, kFindBox, kNext, kPrevious, kStatus, kContents, kText };
    HWND Handle() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    const std::vector<GuideHeading>& Headings() const { return guide_.headings; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK KeyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                    DWORD_PTR self);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    bool Key(HWND control, UINT vk);
    void Build();
    void CheckPositions(const std::u16string& shown);
    void FillContents();
    void Place();
    void ContentsNotice(const NMHDR& notice);
    void SetStatus(const wchar_t* text);

    GuideRichText guide_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = 96;
};

} // namespace talvex
