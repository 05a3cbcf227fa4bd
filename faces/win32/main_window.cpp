#include "win32/main_window.h"

#include "ddelink/wide_text.h"
#include "engine/text_codec.h"
#include "win32/modal_form.h"
#include "win32/resource_ids.h"
#include "windowcore/editor_text.h"

#include <commctrl.h>

#include <algorithm>

namespace talvex {

namespace {

constexpr wchar_t kClass[] = L"TalvexScript";
constexpr int kControlId = 100;
constexpr int kFindingsListId = 98;
constexpr COLORREF kBlue = RGB(0, 0, 255);
// The longest the response pane waits to catch up with a run.
constexpr int kPaneSyncMostMs = 500;
// The longest the running line's mark waits to move on.
constexpr int kRunningLineMostMs = 1000;
// The longest a run goes without letting the window's events through.
constexpr int kEventsMostMs = 50;
// How long the window is busy before the pointer says so: a host command
// answered sooner would only make it flicker, at a cost under Wine.
constexpr auto kBusyPointerAfter = std::chrono::milliseconds(50);

// Posted when the response pane may take back the lines it held out.
constexpr UINT kCompletePaneMessage = WM_APP + 1;

// The window the keyboard hook of this thread serves.
thread_local MainWindow* t_window = nullptr;

std::wstring W(std::string_view text) {
    return WideFromUtf8(text);
}

char LocaleDecimalSeparator() {
    wchar_t point[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, point, 8) == 2 && point[0] > 0 &&
        point[0] < 128)
        return static_cast<char>(point[0]);
    return '.';
}

struct Key {
    UINT vk;
    bool ctrl, alt;
    int command;
};
// The window's keys: they work wherever the focus is in the window, also
// during a run, whose waits dispatch messages without an accelerator table.
constexpr std::array<Key, 12> kKeys{{
    {'N', true, false, kCmdNew},
    {'O', true, false, kCmdOpen},
    {'S', true, false, kCmdSave},
    {'F', true, false, kCmdFind},
    {'E', true, false, kCmdHardCancel},
    {VK_F3, false, false, kCmdFindAgain},
    {VK_ESCAPE, false, false, kCmdEscape},
    {'R', false, true, kControlId + static_cast<int>(Control::cmdRunScript)},
    {'C', false, true, kControlId + static_cast<int>(Control::cmdCancel)},
    {'X', false, true, kControlId + static_cast<int>(Control::cmdExit)},
    {'L', false, true, kCmdEditorFocus},
    {0, false, false, 0},
}};

} // namespace

MainWindow::MainWindow(MessagePump& pump, WindowLinkPort& link, WindowDialogs& dialogs,
                       SettingsPort& settings, MainWindowOptions options)
    : pump_(pump), dialogs_(dialogs) {
    RichPane::LoadRichEdit();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), kClass, &wc)) {
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &MainWindow::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TALVEX_ICON));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClass;
        RegisterClassExW(&wc);
    }
    hwnd_ = CreateWindowExW(0, kClass, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 100, 100,
                            nullptr, nullptr, GetModuleHandleW(nullptr), this);
    dpi_ = WindowDpi(hwnd_);
    face_ = GetSysColorBrush(COLOR_BTNFACE);
    BuildControls();
    BuildMenus();
    WindowCoreOptions core;
    core.programDir = options.programDir;
    core.logFolder = options.logFolder;
    core.decimalSeparator = LocaleDecimalSeparator();
    core.closeGraceMs = options.closeGraceMs;
    core_ = std::make_unique<WindowCore>(*this, link, settings, std::move(core));
    SetCaption(core_->Title());
    linkWindow_ = std::make_unique<LinkWindow>(hwnd_, *core_);
    ApplyDpi(dpi_);
    // The design client area, the status bar below it.
    RECT r{0, 0, TwipsToPixels(WindowDesign::kMinClientWidth, dpi_),
           TwipsToPixels(WindowDesign::kMinClientHeight, dpi_)};
    RECT bar{};
    GetWindowRect(status_, &bar);
    r.bottom += bar.bottom - bar.top;
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, TRUE, 0);
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    t_window = this;
    keyHook_ =
        SetWindowsHookExW(WH_GETMESSAGE, &MainWindow::KeyHook, nullptr, GetCurrentThreadId());
}

MainWindow::~MainWindow() {
    if (keyHook_) UnhookWindowsHookEx(keyHook_);
    if (t_window == this) t_window = nullptr;
    linkWindow_.reset();
    core_.reset();
    if (IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (designFont_) DeleteObject(designFont_);
}

void MainWindow::BuildControls() {
    userEdit_ = std::make_unique<RichPane>(
        hwnd_, kControlId + static_cast<int>(Control::txtCommandList), RichPane::Kind::Script);
    runEdit_ = std::make_unique<RichPane>(
        hwnd_, kControlId + static_cast<int>(Control::txtCommandList) + 50, RichPane::Kind::Script);
    runEdit_->SetReadOnly(true);
    ShowWindow(runEdit_->Handle(), SW_HIDE);
    response_ = std::make_unique<RichPane>(
        hwnd_, kControlId + static_cast<int>(Control::txtResponseList), RichPane::Kind::Response);
    responseView_ = std::make_unique<ResponseView>(*response_);
    // A new text may bring a new editor control (a long one is not emptied).
    for (RichPane* pane : {userEdit_.get(), runEdit_.get(), response_.get()})
        pane->OnReplaced([this](HWND old, HWND now) {
            for (HWND& c : controls_)
                if (c == old) c = now;
            if (activeControl_ == old) activeControl_ = now;
            if (marks_ && marks_->Edit() == old) marks_->Attach(now);
        });
    marks_ = std::make_unique<FindingMarks>(userEdit_->Handle());
    findingsList_ = std::make_unique<FindingsList>(hwnd_, kFindingsListId, [this](std::size_t i) {
        if (core_) core_->FindingClicked(i);
    });
    for (const ControlDesign& d : kWindowDesign) {
        const int id = kControlId + static_cast<int>(d.control);
        const std::wstring caption = W(d.caption);
        HWND w = nullptr;
        const auto make = [&](const wchar_t* cls, DWORD style, DWORD ex = 0) {
            return CreateWindowExW(ex, cls, caption.c_str(),
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, 0, 0, 10, 10,
                                   hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
        };
        switch (d.control) {
        case Control::txtCommandList:
            w = userEdit_->Handle();
            break;
        case Control::txtResponseList:
            w = response_->Handle();
            break;
        case Control::txtDynamic:
            w = make(L"EDIT", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE);
            break;
        case Control::cmdDynamic:
        case Control::cmdRunScript:
        case Control::cmdCancel:
        case Control::cmdExit:
            w = make(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP);
            break;
        case Control::chkLog:
            w = make(L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP);
            break;
        default:
            w = make(L"STATIC", SS_LEFT | SS_NOTIFY);
        }
        controls_[static_cast<std::size_t>(d.control)] = w;
    }
    // The button lies over the dynamic-data line.
    SetWindowPos(ControlHandle(Control::cmdDynamic), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    status_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(99)),
                              GetModuleHandleW(nullptr), nullptr);
}

void MainWindow::BuildMenus() {
    menuBar_ = CreateMenu();
    fileMenu_ = CreatePopupMenu();
    AppendMenuW(fileMenu_, MF_STRING, kCmdNew, L"&New\tCtrl+N");
    AppendMenuW(fileMenu_, MF_STRING, kCmdOpen, L"&Open...\tCtrl+O");
    AppendMenuW(fileMenu_, MF_STRING, kCmdSave, L"&Save\tCtrl+S");
    AppendMenuW(fileMenu_, MF_STRING, kCmdSaveAs, L"Save &As...");
    AppendMenuW(fileMenu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(fileMenu_, MF_STRING, kCmdExit, L"E&xit");
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(fileMenu_), L"&File");

    editMenu_ = CreatePopupMenu();
    AppendMenuW(editMenu_, MF_STRING, kCmdFind, L"&Find\tCtrl+F");
    AppendMenuW(editMenu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(editMenu_, MF_STRING, kCmdFont8, L"8 pt");
    AppendMenuW(editMenu_, MF_STRING, kCmdFont9, L"9 pt");
    AppendMenuW(editMenu_, MF_STRING, kCmdFont10, L"10 pt");
    AppendMenuW(editMenu_, MF_STRING, kCmdFont12, L"12 pt");
    AppendMenuW(editMenu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(editMenu_, MF_STRING, kCmdCourier, L"Courier");
    AppendMenuW(editMenu_, MF_STRING, kCmdSansSerif, L"MS Sans Serif");
    AppendMenuW(editMenu_, MF_STRING, kCmdTimesRoman, L"Times New Roman");
    CheckMenuRadioItem(editMenu_, kCmdFont8, kCmdFont12, kCmdFont8, MF_BYCOMMAND);
    CheckMenuRadioItem(editMenu_, kCmdCourier, kCmdTimesRoman, kCmdSansSerif, MF_BYCOMMAND);
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(editMenu_), L"&Edit");

    optionsMenu_ = CreatePopupMenu();
    AppendMenuW(optionsMenu_, MF_STRING, kCmdLineByLine, L"Line by Line");
    AppendMenuW(optionsMenu_, MF_STRING, kCmdWholeScript, L"Whole Script");
    AppendMenuW(optionsMenu_, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(optionsMenu_, MF_STRING, kCmdHardCancel, L"&Send Hard Cancel\tCtrl+E");
    CheckMenuRadioItem(optionsMenu_, kCmdLineByLine, kCmdWholeScript, kCmdLineByLine, MF_BYCOMMAND);
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(optionsMenu_), L"Run &Options");

    viewMenu_ = CreatePopupMenu();
    AppendMenuW(viewMenu_, MF_STRING, kCmdHostLink, L"&Host Link...");
    AppendMenuW(viewMenu_, MF_STRING | MF_CHECKED, kCmdCheckList, L"&Check List");
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(viewMenu_), L"&View");

    helpMenu_ = CreatePopupMenu();
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(helpMenu_), L"&Help");
    SetMenu(hwnd_, menuBar_);
    SetHelpEntries(true, false);
}

void MainWindow::ApplyDpi(int dpi) {
    dpi_ = dpi;
    if (designFont_) DeleteObject(designFont_);
    // The design geometry was drawn for an 8-point face.
    designFont_ = DesignFont(dpi);
    for (HWND w : controls_)
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(designFont_), FALSE);
    SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(designFont_), FALSE);
    SendMessageW(findingsList_->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(designFont_), FALSE);
    ApplyFont();
    FitCaptions();
}

void MainWindow::ApplyFont() {
    for (RichPane* pane : {userEdit_.get(), runEdit_.get(), response_.get()})
        pane->SetFont(fontFace_, fontTwips_, dpi_);
}

void MainWindow::FitCaptions() {
    // Captions keep their place and take the width their text needs.
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, designFont_);
    for (Control c :
         {Control::lblCommand, Control::lblResponse, Control::lblDynamic, Control::chkLog}) {
        std::wstring text = W(DesignOf(c).caption);
        text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        int width = size.cx + 2;
        if (c == Control::chkLog) width += MulDiv(GetSystemMetrics(SM_CXMENUCHECK) + 6, dpi_, 96);
        layout_.FitCaption(c, width * 1440 / dpi_);
    }
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
}

void MainWindow::PlaceControls() {
    HDWP moves = BeginDeferWindowPos(static_cast<int>(kControlCount) + 2);
    const auto px = [this](int twips) { return TwipsToPixels(twips, dpi_); };
    for (const ControlDesign& d : kWindowDesign) {
        const DesignRect& r = layout_.Rect(d.control);
        moves = DeferWindowPos(moves, ControlHandle(d.control), nullptr, px(r.x), px(r.y),
                               px(r.width), px(r.height), SWP_NOZORDER | SWP_NOACTIVATE);
        if (d.control == Control::txtCommandList)
            moves = DeferWindowPos(moves, runEdit_->Handle(), nullptr, px(r.x), px(r.y),
                                   px(r.width), px(r.height), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const DesignRect list = layout_.FindingsRect();
    moves = DeferWindowPos(moves, findingsList_->Handle(), nullptr, px(list.x), px(list.y),
                           px(list.width), px(list.height), SWP_NOZORDER | SWP_NOACTIVATE);
    EndDeferWindowPos(moves);
}

void MainWindow::Resized() {
    if (IsIconic(hwnd_)) return;
    SendMessageW(status_, WM_SIZE, 0, 0);
    RECT client{}, bar{};
    GetClientRect(hwnd_, &client);
    GetWindowRect(status_, &bar);
    const int height = std::max<int>(0, client.bottom - (bar.bottom - bar.top));
    layout_.Resize(client.right * 1440 / dpi_, height * 1440 / dpi_);
    PlaceControls();
}

bool MainWindow::Load() {
    return core_->Load();
}

void MainWindow::OpenAtStart(const std::string& path) {
    core_->OpenAtStart(path);
}

void MainWindow::Show(int how) {
    ShowWindow(hwnd_, how);
    UpdateWindow(hwnd_);
}

// ---- Events ----

LRESULT CALLBACK MainWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        self->timers_.SetWindow(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || !self->core_) {
        if (self && msg == WM_SIZE && self->status_) self->Resized();
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    return self->Handle(msg, wp, lp);
}

LRESULT CALLBACK MainWindow::KeyHook(int code, WPARAM wp, LPARAM lp) {
    MSG* msg = reinterpret_cast<MSG*>(lp);
    if (code == HC_ACTION && wp == PM_REMOVE && t_window && t_window->KeyCommand(*msg))
        msg->message = WM_NULL;
    return CallNextHookEx(nullptr, code, wp, lp);
}

bool MainWindow::KeyCommand(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    for (const Key& k : kKeys) {
        if (k.vk == msg.wParam && k.ctrl == ctrl && k.alt == alt) {
            // After the key's own message: a command may run a script.
            PostMessageW(hwnd_, WM_COMMAND, static_cast<WPARAM>(k.command), 0);
            return true;
        }
    }
    return false;
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND: {
        const int id = LOWORD(wp);
        const int code = HIWORD(wp);
        if (id == kControlId + static_cast<int>(Control::txtCommandList)) {
            if (code == EN_CHANGE) {
                userEdit_->TextChanged();
                marks_->TextChanged();
                core_->EditorChanged();
            }
            return 0;
        }
        if (id == kControlId + static_cast<int>(Control::lblCommand)) {
            if (code == STN_CLICKED) core_->CommandLabelClicked();
            return 0;
        }
        if (id == kControlId + static_cast<int>(Control::txtResponseList)) {
            // The user turns to the pane: all of it, at once.
            if (code == EN_SETFOCUS) responseView_->Complete();
            return 0;
        }
        if (lp && code != BN_CLICKED) return 0;
        Command(id);
        return 0;
    }
    case WM_NOTIFY: {
        const auto* n = reinterpret_cast<const NMHDR*>(lp);
        if (n->code == EN_SELCHANGE) {
            if (n->hwndFrom == userEdit_->Handle()) {
                userEdit_->SelectionChanged();
                marks_->SelectionChanged();
            }
            if (n->hwndFrom == runEdit_->Handle()) runEdit_->SelectionChanged();
        }
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        HWND control = reinterpret_cast<HWND>(lp);
        for (Control c : {Control::lblCommand, Control::lblResponse, Control::lblDynamic}) {
            if (control == ControlHandle(c)) {
                HDC dc = reinterpret_cast<HDC>(wp);
                SetTextColor(dc, kBlue);
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(face_);
            }
        }
        break;
    }
    case WM_SIZE:
        Resized();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lp);
        RECT r{0, 0, TwipsToPixels(WindowDesign::kMinClientWidth, dpi_),
               TwipsToPixels(WindowDesign::kMinClientHeight, dpi_)};
        if (status_) {
            RECT bar{};
            GetWindowRect(status_, &bar);
            r.bottom += bar.bottom - bar.top;
        }
        AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, TRUE, 0);
        info->ptMinTrackSize = {r.right - r.left, r.bottom - r.top};
        return 0;
    }
    case WM_DPICHANGED: {
        ApplyDpi(LOWORD(wp));
        const RECT* r = reinterpret_cast<const RECT*>(lp);
        SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        Resized();
        return 0;
    }
    case WM_SETCURSOR:
        if (pointerBusy_) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        if (reinterpret_cast<HWND>(wp) == hwnd_ && LOWORD(lp) == HTCLIENT &&
            layout_.SplitPointer(mouse_.x * 1440 / dpi_, mouse_.y * 1440 / dpi_)) {
            SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        mouse_ = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        layout_.MouseDown(mouse_.x * 1440 / dpi_, mouse_.y * 1440 / dpi_);
        if (layout_.Dragging()) SetCapture(hwnd_);
        return 0;
    case WM_MOUSEMOVE:
        mouse_ = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (layout_.MouseMove(mouse_.x * 1440 / dpi_, mouse_.y * 1440 / dpi_)) PlaceControls();
        return 0;
    case WM_LBUTTONUP:
        layout_.MouseUp();
        ReleaseCapture();
        return 0;
    case kCompletePaneMessage:
        completePosted_ = false;
        // A run started since waits for its own end.
        if (runControlsEnabled_) responseView_->Complete();
        return 0;
    case WM_TIMER:
        if (wp == WindowTimers::kTimerId) {
            for (WindowTimer t : timers_.Due())
                core_->TimerFired(t);
            BusyPointerDue();
            timers_.Rearm();
        }
        return 0;
    case WM_ACTIVATE:
        // A dialog of the window taking the focus leaves the last control as it was.
        if (LOWORD(wp) == WA_INACTIVE) {
            if (HWND f = FocusControl()) activeControl_ = f;
        } else if (activeControl_ && IsWindow(activeControl_)) {
            SetFocus(activeControl_);
            return 0;
        }
        break;
    case WM_CLOSE:
        if (!core_->CloseRequested()) return 0;
        linkWindow_->Hide();
        DestroyWindow(hwnd_);
        return 0;
    case WM_DESTROY:
        timers_.StopAll();
        closed_ = true;
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

void MainWindow::Command(int id) {
    const bool locked = !runControlsEnabled_;
    if (id >= kCmdHistory1 && id < kCmdHistory1 + RecentFiles::kHistoryMax) {
        if (!locked) core_->RecentClicked(id - kCmdHistory1 + 1);
        return;
    }
    const auto font = [this](int twips, int entry) {
        fontTwips_ = twips;
        CheckMenuRadioItem(editMenu_, kCmdFont8, kCmdFont12, static_cast<UINT>(entry),
                           MF_BYCOMMAND);
        ApplyFont();
    };
    const auto face = [this](const wchar_t* name, int entry) {
        fontFace_ = name;
        CheckMenuRadioItem(editMenu_, kCmdCourier, kCmdTimesRoman, static_cast<UINT>(entry),
                           MF_BYCOMMAND);
        ApplyFont();
    };
    switch (id) {
    case kCmdNew:
        if (!locked) core_->NewClicked();
        break;
    case kCmdOpen:
        if (!locked) core_->OpenClicked();
        break;
    case kCmdSave:
        if (!locked) core_->SaveClicked();
        break;
    case kCmdSaveAs:
        if (!locked) core_->SaveAsClicked();
        break;
    case kCmdExit:
        if (!locked) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        break;
    case kCmdFind:
        core_->FindClicked();
        break;
    case kCmdFindAgain:
        core_->FindAgain();
        break;
    case kCmdFont8:
        font(165, id);
        break;
    case kCmdFont9:
        font(180, id);
        break;
    case kCmdFont10:
        font(200, id);
        break;
    case kCmdFont12:
        font(240, id);
        break;
    case kCmdCourier:
        face(L"Courier New", id);
        break;
    case kCmdSansSerif:
        face(L"MS Sans Serif", id);
        break;
    case kCmdTimesRoman:
        face(L"Times New Roman", id);
        break;
    case kCmdLineByLine:
    case kCmdWholeScript:
        CheckMenuRadioItem(optionsMenu_, kCmdLineByLine, kCmdWholeScript, static_cast<UINT>(id),
                           MF_BYCOMMAND);
        core_->SetLineByLine(id == kCmdLineByLine);
        break;
    case kCmdHardCancel:
        core_->SendHardCancelClicked();
        break;
    case kCmdHostLink:
        linkWindow_->Show();
        break;
    case kCmdCheckList: {
        const bool shown = !(GetMenuState(viewMenu_, kCmdCheckList, MF_BYCOMMAND) & MF_CHECKED);
        CheckMenuItem(viewMenu_, kCmdCheckList, MF_BYCOMMAND | (shown ? MF_CHECKED : MF_UNCHECKED));
        core_->SetFindingsListShown(shown);
        break;
    }
    case kCmdContents:
        core_->HelpContentsClicked();
        break;
    case kCmdHelpView:
        core_->HelpViewClicked();
        break;
    case kCmdAbout:
        core_->AboutClicked();
        break;
    case kCmdEscape:
        core_->EscapePressed();
        break;
    case kCmdEditorFocus:
        SetFocus(ScriptPane().Handle());
        break;
    default: {
        const int index = id - kControlId;
        if (index < 0 || index >= static_cast<int>(kControlCount)) break;
        const auto control = static_cast<Control>(index);
        if (!IsWindowEnabled(ControlHandle(control))) break;
        switch (control) {
        case Control::cmdRunScript:
            core_->RunScriptClicked();
            break;
        case Control::cmdCancel:
            core_->CancelClicked();
            break;
        case Control::cmdExit:
            PostMessageW(hwnd_, WM_CLOSE, 0, 0);
            break;
        case Control::cmdDynamic:
            core_->DynamicClicked();
            break;
        default:
            break;
        }
    }
    }
}

// ---- The face ----

void MainWindow::SetCaption(std::string_view caption) {
    SetWindowTextW(hwnd_, W(caption).c_str());
}

void MainWindow::SetStatus(std::string_view text) {
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(W(text).c_str()));
}

void MainWindow::SetBusyPointer(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (!busy) {
        ShowBusyPointer(false);
        return;
    }
    busySince_ = std::chrono::steady_clock::now();
    timers_.WakeAt(busySince_ + kBusyPointerAfter);
}

void MainWindow::BusyPointerDue() {
    if (!busy_ || pointerBusy_) return;
    const auto shownAt = busySince_ + kBusyPointerAfter;
    if (std::chrono::steady_clock::now() + std::chrono::milliseconds(1) >= shownAt)
        ShowBusyPointer(true);
    else
        timers_.WakeAt(shownAt); // busy again since the wake was set
}

void MainWindow::ShowBusyPointer(bool busy) {
    if (busy == pointerBusy_) return;
    pointerBusy_ = busy;
    // The window's pointer, not the program's: a message box shown during a
    // run keeps its arrow.
    for (RichPane* pane : {userEdit_.get(), runEdit_.get(), response_.get()})
        pane->SetBusyPointer(busy);
    POINT p{};
    GetCursorPos(&p);
    SetCursorPos(p.x, p.y); // the pointer under the mouse changes now
}

void MainWindow::SetRunControlsEnabled(bool enabled) {
    runControlsEnabled_ = enabled;
    if (enabled) CompletePaneSoon();
    for (RichPane* pane : {userEdit_.get(), runEdit_.get()})
        pane->SetRunning(!enabled);
    // The entries too, so their keys rest with the menu.
    EnableMenuItem(menuBar_, 0, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    for (int id : {kCmdNew, kCmdOpen, kCmdSave, kCmdSaveAs, kCmdExit})
        EnableMenuItem(fileMenu_, static_cast<UINT>(id),
                       MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(hwnd_);
    for (Control c : {Control::cmdRunScript, Control::cmdExit, Control::chkLog})
        EnableWindow(ControlHandle(c), enabled);
}

bool MainWindow::LogTicked() const {
    return SendMessageW(ControlHandle(Control::chkLog), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainWindow::SetLogTicked(bool ticked) {
    SendMessageW(ControlHandle(Control::chkLog), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED,
                 0);
}

void MainWindow::SetDynamicText(std::string_view text) {
    SetWindowTextW(ControlHandle(Control::txtDynamic), W(text).c_str());
}

void MainWindow::SetHelpEntries(bool view, bool contents) {
    helpShown_ = {contents, view};
    while (GetMenuItemCount(helpMenu_) > 0)
        DeleteMenu(helpMenu_, 0, MF_BYPOSITION);
    if (contents) AppendMenuW(helpMenu_, MF_STRING, kCmdContents, L"&Contents");
    if (view) AppendMenuW(helpMenu_, MF_STRING, kCmdHelpView, L"&View");
    AppendMenuW(helpMenu_, MF_STRING, kCmdAbout, L"&About");
}

void MainWindow::SetRecentEntries(const std::vector<std::string>& paths, bool separator) {
    recent_ = paths;
    if (separator) recentSeparator_ = true;
    // Everything below Exit goes; what is in use comes back.
    const int exitAt = 5;
    while (GetMenuItemCount(fileMenu_) > exitAt + 1)
        DeleteMenu(fileMenu_, exitAt + 1, MF_BYPOSITION);
    if (recentSeparator_) AppendMenuW(fileMenu_, MF_SEPARATOR, 0, nullptr);
    for (std::size_t i = 0; i < paths.size() && i < RecentFiles::kHistoryMax; ++i) {
        if (paths[i].empty()) continue;
        const std::wstring caption = L"&" + std::to_wstring(i + 1) + L" " + W(paths[i]);
        AppendMenuW(fileMenu_, MF_STRING | (runControlsEnabled_ ? 0 : MF_GRAYED),
                    static_cast<UINT_PTR>(kCmdHistory1 + static_cast<int>(i)), caption.c_str());
    }
}

void MainWindow::PostClose() {
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::ProcessEvents() {
    // Each look at the queue is a round trip to Wine's server, and what it
    // finds (a paint, the pane catching up) can take long: a run that yields
    // every millisecond looks again only after three times what the last
    // look took, and at least every 50 ms.
    const auto now = std::chrono::steady_clock::now();
    if (now < nextEvents_) return;
    pump_.ProcessPending();
    const auto done = std::chrono::steady_clock::now();
    nextEvents_ = done + std::min<std::chrono::steady_clock::duration>(
                             (done - now) * 3, std::chrono::milliseconds(kEventsMostMs));
}

std::string MainWindow::EditorText() const {
    return userEdit_->Text();
}

void MainWindow::LoadEditor(std::string_view text) {
    userEdit_->SetText(text);
    marks_->TextReplaced();
    if (core_) core_->EditorChanged();
}

void MainWindow::AppendEditorLine(std::string_view line) {
    const int last = userEdit_->LineCount() - 1;
    HWND edit = userEdit_->Handle();
    const LRESULT start = SendMessageW(edit, EM_LINEINDEX, static_cast<WPARAM>(last), 0);
    const bool endsWithBreak =
        last > 0 && SendMessageW(edit, EM_LINELENGTH, static_cast<WPARAM>(start), 0) == 0;
    userEdit_->AppendText((endsWithBreak ? u"" : u"\n") + Utf8ToUtf16(line));
}

void MainWindow::ShowRunDocument(std::string_view text) {
    runEdit_->SetText(text);
    if (showingRun_) return;
    showingRun_ = true;
    userEdit_->SetRunningLine(-1);
    ShowWindow(runEdit_->Handle(), SW_SHOW);
    ShowWindow(userEdit_->Handle(), SW_HIDE);
    InvalidateRect(runEdit_->Handle(), nullptr, TRUE);
}

void MainWindow::ShowUserDocument() {
    if (showingRun_) {
        showingRun_ = false;
        runEdit_->SetRunningLine(-1);
        ShowWindow(userEdit_->Handle(), SW_SHOW);
        ShowWindow(runEdit_->Handle(), SW_HIDE);
        // RichEdit left hidden does not lay out what it holds anew on its own.
        InvalidateRect(userEdit_->Handle(), nullptr, TRUE);
    }
    runEdit_->SetText("");
}

void MainWindow::SetRunningLine(int line) {
    const auto start = std::chrono::steady_clock::now();
    ScriptPane().SetRunningLine(line);
    runningLineCost_ = std::chrono::steady_clock::now() - start;
}

void MainWindow::ShowFindings(const std::vector<Finding>& findings) {
    findingsList_->Show(findings);
    marks_->Show(findings);
}

void MainWindow::SetFindingsPaneVisible(bool visible) {
    if (visible == layout_.FindingsShown()) return;
    layout_.SetFindingsShown(visible);
    ShowWindow(findingsList_->Handle(), visible ? SW_SHOWNA : SW_HIDE);
    PlaceControls();
}

void MainWindow::GoToScriptLine(long line, long column) {
    if (showingRun_) return;
    HWND edit = userEdit_->Handle();
    const LRESULT start = SendMessageW(edit, EM_LINEINDEX, static_cast<WPARAM>(line - 1), 0);
    if (start < 0) return;
    const std::size_t at =
        static_cast<std::size_t>(start) +
        static_cast<std::size_t>(ColumnUnits(edit, static_cast<int>(line - 1), column));
    userEdit_->Select(at, at);
    // The line in the middle of the editor, where the eye finds it.
    RECT client{};
    GetClientRect(edit, &client);
    POINTL bottom{0, client.bottom - 1};
    const int first = static_cast<int>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    const LRESULT below = SendMessageW(edit, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&bottom));
    const int rows =
        std::max(1, static_cast<int>(SendMessageW(edit, EM_EXLINEFROMCHAR, 0, below)) - first + 1);
    SendMessageW(edit, EM_LINESCROLL, 0,
                 std::max(0, static_cast<int>(line - 1) - rows / 2) - first);
    SetFocus(edit);
    activeControl_ = edit;
}

void MainWindow::UpdatePane(std::string_view shown, std::string_view text) {
    if (shown == text) return;
    paneSyncStart_ = std::chrono::steady_clock::now();
    // A pane the user has turned to shows all of its text at every change.
    responseView_->Update(shown, text, GetFocus() != response_->Handle());
    if (runControlsEnabled_) CompletePaneSoon();
}

void MainWindow::CompletePaneSoon() {
    // Posted messages come before the next paint: outside a run the pane is
    // never seen without its first lines.
    if (!responseView_->Partial() || completePosted_) return;
    completePosted_ = PostMessageW(hwnd_, kCompletePaneMessage, 0, 0) != 0;
}

void MainWindow::ScrollPaneToEnd() {
    response_->ScrollToEnd();
    if (!paneSyncStart_) return;
    // Drawn now, so the next catching up waits as long as this one took.
    UpdateWindow(response_->Handle());
    paneSyncCost_ = std::chrono::steady_clock::now() - *paneSyncStart_;
    paneSyncStart_.reset();
}

RichPane& MainWindow::PaneOf(TextPane pane) const {
    if (pane == TextPane::Response) return *response_;
    return showingRun_ ? *runEdit_ : *userEdit_;
}

HWND MainWindow::FocusControl() const {
    HWND f = GetFocus();
    return f && (f == hwnd_ || IsChild(hwnd_, f)) ? f : nullptr;
}

std::optional<TextPane> MainWindow::FocusPane() const {
    HWND active = FocusControl();
    if (!active) active = activeControl_;
    if (active == response_->Handle()) return TextPane::Response;
    if (active == userEdit_->Handle() || active == runEdit_->Handle()) return TextPane::Script;
    return std::nullopt;
}

std::u16string MainWindow::PaneSearchText(TextPane pane) const {
    // Find looks through the whole pane, also during a run.
    if (pane == TextPane::Response) responseView_->Complete();
    return PaneOf(pane).SearchText();
}

std::pair<std::size_t, std::size_t> MainWindow::PaneSelection(TextPane pane) const {
    if (pane == TextPane::Response) responseView_->Complete();
    return PaneOf(pane).Selection();
}

void MainWindow::SelectInPane(TextPane pane, std::size_t start, std::size_t end) {
    RichPane& p = PaneOf(pane);
    p.Select(start, end);
    SetFocus(p.Handle());
    activeControl_ = p.Handle();
}

void MainWindow::StartTimer(WindowTimer timer, int ms) {
    // RichEdit under a run that outpaces it: the pane catches up, and the
    // running line moves on, less often, so that each takes at most a
    // seventeenth of the time; the pane still twice a second, the line at
    // least once.
    const auto paced = [&ms](std::chrono::steady_clock::duration cost, int most) {
        const auto costMs = std::chrono::duration_cast<std::chrono::milliseconds>(cost).count();
        ms = std::clamp(static_cast<int>(costMs) * 16, ms, std::max(ms, most));
    };
    if (timer == WindowTimer::PaneSync) paced(paneSyncCost_, kPaneSyncMostMs);
    if (timer == WindowTimer::RunningLine) paced(runningLineCost_, kRunningLineMostMs);
    timers_.Start(timer, ms);
}

void MainWindow::StopTimer(WindowTimer timer) {
    timers_.Stop(timer);
}

bool MainWindow::TimerActive(WindowTimer timer) const {
    return timers_.Active(timer);
}

void MainWindow::RefreshLinkWindow() {
    if (linkWindow_) linkWindow_->Refresh();
}

} // namespace talvex
