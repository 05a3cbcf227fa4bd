// The host link over DDEML.
#include "ddelink/dde_host_link.h"

#include "ddelink/wide_text.h"
#include "engine/text_codec.h"

#include <dde.h>

#include <cstdio>
#include <map>
#include <utility>
#include <vector>

namespace talvex {

namespace {

// DDEML's callback carries no pointer of ours: the conversations say whose they are.
std::map<HCONV, DdeHostLink*>& Owners() {
    static std::map<HCONV, DdeHostLink*> owners;
    return owners;
}

HDDEDATA CALLBACK DdeCallback(UINT type, UINT, HCONV conv, HSZ topic, HSZ, HDDEDATA data, ULONG_PTR,
                              ULONG_PTR) {
    const auto it = Owners().find(conv);
    if (it == Owners().end()) return type == XTYP_ADVDATA ? HDDEDATA(DDE_FACK) : nullptr;
    return it->second->OnCallback(type, conv, topic, data);
}

// The bytes of a CF_TEXT data handle, up to its terminating NUL.
std::string DataText(HDDEDATA data) {
    const DWORD size = DdeGetData(data, nullptr, 0, 0);
    std::string bytes(size, '\0');
    if (size > 0) DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string::npos) bytes.resize(nul);
    return Cp1252ToUtf8(bytes);
}

std::string SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n > 0 && buffer ? std::wstring(buffer, n) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    if (text.empty()) return "system error " + std::to_string(code);
    return Utf8FromWide(text);
}

std::string DdeErrorText(UINT code) {
    switch (code) {
    case DMLERR_NO_CONV_ESTABLISHED:
        return "no conversation established";
    case DMLERR_EXECACKTIMEOUT:
        return "the execute timed out";
    case DMLERR_DATAACKTIMEOUT:
        return "the data timed out";
    case DMLERR_NOTPROCESSED:
        return "not processed";
    case DMLERR_ADVACKTIMEOUT:
        return "the hot link timed out";
    case DMLERR_SERVER_DIED:
        return "the server ended";
    case DMLERR_BUSY:
        return "the server is busy";
    default:
        return "DDE error " + std::to_string(code);
    }
}

// The first non-empty line of a file's start, blanks trimmed.
std::string FirstLineOf(HANDLE file) {
    char buffer[4096];
    DWORD got = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return {};
    const std::string text(buffer, got);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos) return line.substr(first);
        start = end + 1;
    }
    return {};
}

constexpr std::size_t kMaxItemName = 255; // an atom's length

} // namespace

const char* const DdeHostLink::kLinkLostText = kLinkLostReply;
const char* const DdeHostLink::kRefusedText = "Error: KORVA refused the command: ";
const char* const DdeHostLink::kTooLongText = "Error: command too long for KORVA";
const char* const DdeHostLink::kStartingText = "Error: KORVA is still starting";
const char* const DdeHostLink::kUnsendableText =
    "Error: the command holds a character KORVA cannot take: ";

DdeHostLink::DdeHostLink(MessagePump& pump)
    : pump_(pump), service_(L"KORVA"), search_(KorvaSearch::FromEnvironment()) {
    if (const std::wstring name = EnvironmentValue(L"KORVA_SERVICE"); !name.empty())
        service_ = name;
    // An ANSI instance: execute strings go out as the Windows-1252 bytes we
    // give, unchanged to an ANSI host (DDEML converts them for a Unicode one).
    if (DdeInitializeA(&inst_, DdeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) inst_ = 0;
    hszControl_ = Atom(L"DDE_Control");
    hszAsync_ = Atom(L"DDE_AsyncResponse");
    hszDynamic_ = Atom(L"DDE_DynamicData");
    hszData_ = Atom(L"Data");
}

DdeHostLink::~DdeHostLink() {
    // Leaving without Uninit closes the conversations only; the host keeps running.
    DisconnectAll();
    if (hostProcess_) CloseHandle(hostProcess_);
    if (inst_) {
        for (HSZ h : {hszService_, hszControl_, hszAsync_, hszDynamic_, hszData_})
            if (h) DdeFreeStringHandle(inst_, h);
        DdeUninitialize(inst_);
    }
}

HSZ DdeHostLink::Atom(const std::wstring& text) {
    if (!inst_) return nullptr;
    return DdeCreateStringHandleW(inst_, text.c_str(), CP_WINUNICODE);
}

void DdeHostLink::Tell(DdeMessageIcon icon, const std::string& title, const std::string& text) {
    if (messages_) {
        messages_(icon, title, text);
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

std::wstring DdeHostLink::TARNPath() {
    const std::wstring path = FindKorva(search_);
    if (path.empty())
        Tell(DdeMessageIcon::Exclamation, std::string(),
             "Could not find KORVA32\n" + KorvaSearchFailure(search_));
    return path;
}

bool DdeHostLink::Init(const std::wstring& korvaPath, bool visible) {
    if (linked_) return true;
    // Called from an event handler while Init runs (it waits for the host to
    // come up, or a message box is open): a second start would race the first.
    if (inInit_) return false;
    if (lost_) {
        // Never start a fresh host behind the user's back in the middle of a
        // run; the run command clears the loss when the next run starts.
        ddeBox_ = kLinkLostText;
        return false;
    }
    inInit_ = true;
    const bool linked = Link(korvaPath, visible);
    inInit_ = false;
    if (linked && !visible) Send("Windows(MAIN,MINIMIZED)");
    return linked;
}

bool DdeHostLink::Link(const std::wstring& korvaPath, bool visible) {
    ClearDynReport();
    hostDir_.clear();
    DisconnectAll();
    std::wstring program = korvaPath;
    if (program.empty()) {
        program = TARNPath();
        if (program.empty()) return false;
        // The file found is started as found: KORVA32 may name a host that is
        // not called korva32.exe.
        hostDir_ = Utf8FromWide(FolderOf(program)) + "\\";
    }
    if (!ConnectAll() && !StartAndLink(program, visible)) return false;
    linked_ = true;
    return true;
}

bool DdeHostLink::ConnectAll() {
    if (!inst_) return false;
    DisconnectAll();
    if (!hszService_) hszService_ = Atom(service_);
    control_ = DdeConnect(inst_, hszService_, hszControl_, nullptr);
    if (!control_) return false;
    Owners()[control_] = this;
    async_ = DdeConnect(inst_, hszService_, hszAsync_, nullptr);
    dynamic_ = DdeConnect(inst_, hszService_, hszDynamic_, nullptr);
    if (async_) Owners()[async_] = this;
    if (dynamic_) Owners()[dynamic_] = this;
    // Hot links first, so no response to a later execute can pass us by.
    const auto advise = [this](HCONV conv) {
        if (!conv) return false;
        DWORD result = 0;
        DropStrayAck();
        return DdeClientTransaction(nullptr, 0, conv, hszData_, CF_TEXT, XTYP_ADVSTART,
                                    static_cast<DWORD>(transactionTimeout_.count()),
                                    &result) != nullptr;
    };
    const bool dynamicOk = advise(dynamic_);
    const bool asyncOk = advise(async_);
    if (!asyncOk || !dynamicOk) {
        // Without the response topic no execute could ever be answered.
        DisconnectAll();
        return false;
    }

    // A host that ends without closing its conversations (killed, crashed)
    // leaves DDEML none the wiser: its process is what tells.
    CONVINFO info{};
    info.cb = sizeof info;
    if (DdeQueryConvInfo(control_, QID_SYNC, &info)) {
        partnerWindow_ = info.hwndPartner;
        DWORD pid = 0;
        GetWindowThreadProcessId(info.hwndPartner, &pid);
        if (pid != 0) partnerProcess_ = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (partnerProcess_) pump_.Watch(partnerProcess_, [this] { OnLost(); });
    }
    return true;
}

void DdeHostLink::DisconnectAll() {
    for (HCONV* conv : {&control_, &async_, &dynamic_}) {
        if (!*conv) continue;
        Owners().erase(*conv);
        DdeDisconnect(*conv);
        *conv = nullptr;
    }
    if (partnerProcess_) {
        pump_.Unwatch(partnerProcess_);
        CloseHandle(partnerProcess_);
        partnerProcess_ = nullptr;
    }
    partnerWindow_ = nullptr;
}

bool DdeHostLink::StartAndLink(const std::wstring& program, bool visible) {
    // What the host writes to standard error while it starts is the reason
    // we give when it does not come up; afterwards nobody reads it.
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    wchar_t tempDir[MAX_PATH + 1], tempName[MAX_PATH + 1];
    HANDLE errors = INVALID_HANDLE_VALUE;
    if (GetTempPathW(MAX_PATH + 1, tempDir) && GetTempFileNameW(tempDir, L"tvx", 0, tempName))
        errors = CreateFileW(tempName, GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                             nullptr);
    HANDLE nul =
        CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherit, OPEN_EXISTING, 0, nullptr);

    STARTUPINFOEXW si{};
    si.StartupInfo.cb = sizeof si;
    si.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    si.StartupInfo.wShowWindow = visible ? SW_SHOWNOACTIVATE : SW_SHOWMINNOACTIVE;
    si.StartupInfo.hStdInput = nul;
    si.StartupInfo.hStdOutput = nul;
    si.StartupInfo.hStdError = errors != INVALID_HANDLE_VALUE ? errors : nul;
    // Only those handles go to the host: it must not hold our standard
    // streams open after we end.
    std::vector<HANDLE> handles{nul};
    if (errors != INVALID_HANDLE_VALUE) handles.push_back(errors);
    SIZE_T attrSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &attrSize);
    std::vector<char> attrBuffer(attrSize);
    auto* attrs = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attrBuffer.data());
    DWORD flags = CREATE_NEW_PROCESS_GROUP | DETACHED_PROCESS | CREATE_UNICODE_ENVIRONMENT;
    if (InitializeProcThreadAttributeList(attrs, 1, 0, &attrSize) &&
        UpdateProcThreadAttribute(attrs, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                  handles.size() * sizeof(HANDLE), nullptr, nullptr)) {
        si.lpAttributeList = attrs;
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    std::wstring commandLine = L"\"" + program + L"\"";
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        flags, nullptr, nullptr, &si.StartupInfo, &pi);
    const DWORD startError = GetLastError();
    if (si.lpAttributeList) DeleteProcThreadAttributeList(attrs);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) {
        if (errors != INVALID_HANDLE_VALUE) CloseHandle(errors);
        Tell(DdeMessageIcon::Critical, "Error",
             "Could not run KORVA\n" + Utf8FromWide(program) + ": " + SystemErrorText(startError));
        return false;
    }
    CloseHandle(pi.hThread);
    if (hostProcess_) CloseHandle(hostProcess_);
    hostProcess_ = pi.hProcess;
    hostPid_ = pi.dwProcessId;
    startedHost_ = true;
    starting_ = true;
    startCancelled_ = false;
    const LinkWait outcome = WaitForLink();
    starting_ = false;
    if (outcome == LinkWait::Linked) {
        if (errors != INVALID_HANDLE_VALUE) CloseHandle(errors);
        return true;
    }

    // A host that did not come up is not left running behind the user's back.
    EndStartedProcess();
    startedHost_ = false;
    std::string reason = errors != INVALID_HANDLE_VALUE ? FirstLineOf(errors) : std::string();
    if (errors != INVALID_HANDLE_VALUE) CloseHandle(errors);
    if (outcome == LinkWait::Cancelled) return false;
    if (reason.empty()) {
        const std::string service = Utf8FromWide(service_);
        reason = outcome == LinkWait::HostEnded
                     ? "the host ended without offering the DDE service " + service
                     : service + "|DDE_Control: " + DdeErrorText(lastConnectError_);
    }
    Tell(DdeMessageIcon::Critical, "Error", "Could not initialize KORVA DDE link\n" + reason);
    return false;
}

DdeHostLink::LinkWait DdeHostLink::WaitForLink() {
    // A freshly started host needs a moment before it offers its service;
    // give it a bounded while, keeping messages flowing, and stop early if it died.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + linkTimeout_;
    for (;;) {
        if (startCancelled_) return LinkWait::Cancelled;
        if (ConnectAll()) return LinkWait::Linked;
        lastConnectError_ = inst_ ? DdeGetLastError(inst_) : DMLERR_NO_CONV_ESTABLISHED;
        if (WaitForSingleObject(hostProcess_, 0) == WAIT_OBJECT_0)
            return ConnectAll() ? LinkWait::Linked : LinkWait::HostEnded;
        if (Clock::now() >= deadline) return LinkWait::TimedOut;
        pump_.WaitUntil([this] { return startCancelled_; }, std::chrono::milliseconds(50));
    }
}

void DdeHostLink::CancelStart() {
    if (starting_) startCancelled_ = true;
}

void DdeHostLink::EndStartedProcess() {
    if (!hostProcess_) return;
    if (WaitForSingleObject(hostProcess_, 0) != WAIT_OBJECT_0) {
        TerminateProcess(hostProcess_, 1);
        WaitForSingleObject(hostProcess_, 2000);
    }
    CloseHandle(hostProcess_);
    hostProcess_ = nullptr;
    hostPid_ = 0;
}

void DdeHostLink::Uninit(bool closeKorva) {
    // Ending in the middle of a start-up: the host we began goes too.
    if (starting_) {
        CancelStart();
        EndStartedProcess();
    }
    if (linked_) {
        linked_ = false;
        if (closeKorva || startedHost_) {
            if (partnerProcess_) pump_.Unwatch(partnerProcess_);
            hostClosed_ = false;
            DropStrayAck();
            static const char kExit[] = "Exit";
            DWORD result = 0;
            DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(kExit)), sizeof kExit,
                                 control_, nullptr, 0, XTYP_EXECUTE,
                                 static_cast<DWORD>(exitTimeout_.count()), &result);
            // The host closes our conversations when it has read Exit, and
            // ends unless other clients still use it: we wait for our
            // conversation, not for the host.
            pump_.WaitUntil(
                [this] {
                    return hostClosed_ ||
                           (partnerProcess_ &&
                            WaitForSingleObject(partnerProcess_, 0) == WAIT_OBJECT_0);
                },
                exitTimeout_);
        }
    }
    DisconnectAll();
    linked_ = false;
    lost_ = false;
}

bool DdeHostLink::WaitForHostExit(std::chrono::milliseconds timeout) {
    if (!hostProcess_) return true;
    return WaitForSingleObject(hostProcess_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

bool DdeHostLink::EnsureLinked() {
    if (linked_) return true;
    if (inInit_) {
        ddeBox_ = kStartingText;
        return false;
    }
    return Init(std::wstring(), true); // a lost link answers with the loss
}

void DdeHostLink::DropStrayAck() {
    // Some DDEML implementations leave an acknowledgement in the client's
    // queue after a request; the next transaction would take it for its own
    // answer. Removing one that is there is harmless where none is left.
    if (!control_) return;
    CONVINFO info{};
    info.cb = sizeof info;
    if (!DdeQueryConvInfo(control_, QID_SYNC, &info) || !info.hwnd) return;
    MSG msg;
    while (PeekMessageW(&msg, info.hwnd, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE))
        FreeDDElParam(WM_DDE_ACK, msg.lParam);
}

bool DdeHostLink::Encode(const std::string& command, std::string& cp1252) {
    if (Utf8ToCp1252(command, cp1252)) return true;
    // Name the first character that has no place in the code page; a "?"
    // sent in its stead would measure something else without a word.
    std::string bad;
    for (std::size_t i = 0; i < command.size();) {
        const std::size_t next = ByteOffsetOfChar(std::string_view(command).substr(i), 1) + i;
        std::string one;
        if (!Utf8ToCp1252(std::string_view(command).substr(i, next - i), one)) {
            bad = command.substr(i, next - i);
            break;
        }
        i = next == i ? i + 1 : next;
    }
    ddeBox_ = kUnsendableText + (IsValidUtf8(bad) ? bad : std::string("?"));
    return false;
}

bool DdeHostLink::PartnerGone() const {
    return partnerWindow_ && !IsWindow(partnerWindow_);
}

void DdeHostLink::Send(const std::string& s) {
    if (!EnsureLinked()) return;
    sendBox_ = s;
    ddeBox_.clear();
    std::string wire;
    if (!Encode(s, wire)) return;
    const std::wstring item = WideFromUtf8(s);
    if (item.size() > kMaxItemName) {
        ddeBox_ = kTooLongText;
        return;
    }
    DropStrayAck();
    HSZ hszItem = Atom(item);
    DWORD result = 0;
    HDDEDATA data = DdeClientTransaction(nullptr, 0, control_, hszItem, CF_TEXT, XTYP_REQUEST,
                                         static_cast<DWORD>(transactionTimeout_.count()), &result);
    if (hszItem) DdeFreeStringHandle(inst_, hszItem);
    DropStrayAck();
    if (data) {
        ddeBox_ = DataText(data);
        DdeFreeDataHandle(data);
        return;
    }
    if (linked_ && (PartnerGone() || DdeGetLastError(inst_) == DMLERR_SERVER_DIED)) OnLost();
    // A refused request leaves the response empty, as a failed request always did.
    if (!linked_) ddeBox_ = kLinkLostText;
}

void DdeHostLink::SendA(const std::string& s) {
    if (!EnsureLinked()) return;
    sendBox_ = s;
    ddeBox_.clear();
    ddeAsync_.clear();
    SetDynDDE(std::string());
    pump_.ProcessPending();
    if (!linked_) {
        ddeBox_ = kLinkLostText;
        return;
    }
    std::string wire;
    if (!Encode(s, wire)) return;

    // The response is the first non-empty push after the execute went out.
    // An empty response does not count: every execute is answered with text.
    const std::uint64_t before = asyncChanges_;
    const auto answered = [&] { return asyncChanges_ > before && !ddeAsync_.empty(); };
    DropStrayAck();
    DWORD result = 0;
    HDDEDATA ok = DdeClientTransaction(
        reinterpret_cast<LPBYTE>(wire.data()), static_cast<DWORD>(wire.size() + 1), control_,
        nullptr, 0, XTYP_EXECUTE, static_cast<DWORD>(transactionTimeout_.count()), &result);
    if (!ok && linked_) {
        const UINT error = DdeGetLastError(inst_);
        if (PartnerGone() || error == DMLERR_SERVER_DIED) {
            OnLost();
        } else if (error != DMLERR_EXECACKTIMEOUT) {
            // No response follows a refused execute; waiting on would never end.
            ddeBox_ = kRefusedText + DdeErrorText(error);
            return;
        }
        // A host too busy to acknowledge in time still answers in the end.
    }
    while (linked_ && !answered()) {
        pump_.WaitUntil([&] { return answered() || !linked_; }, std::chrono::milliseconds(250));
        if (linked_ && PartnerGone()) OnLost();
    }
    ddeBox_ = answered() ? ddeAsync_ : std::string(kLinkLostText);
    pump_.ProcessPending();
}

HDDEDATA DdeHostLink::OnCallback(UINT type, HCONV conv, HSZ, HDDEDATA data) {
    switch (type) {
    case XTYP_ADVDATA:
        if (conv == async_) {
            ++asyncChanges_;
            ddeAsync_ = data ? DataText(data) : std::string();
        } else if (conv == dynamic_) {
            SetDynDDE(data ? DataText(data) : std::string());
        }
        return HDDEDATA(DDE_FACK);
    case XTYP_DISCONNECT:
        Owners().erase(conv);
        if (conv == control_) control_ = nullptr;
        if (conv == async_) async_ = nullptr;
        if (conv == dynamic_) dynamic_ = nullptr;
        hostClosed_ = true;
        OnLost();
        return nullptr;
    default:
        return nullptr;
    }
}

void DdeHostLink::OnLost() {
    if (partnerProcess_) pump_.Unwatch(partnerProcess_);
    if (!linked_) return;
    linked_ = false;
    lost_ = true;
}

void DdeHostLink::SetDynDDE(std::string text) {
    if (text == dynDDE_) return; // only a change is news
    dynDDE_ = std::move(text);
    // Read when it runs, not now: the click sees the data of that moment.
    if (dynReport_) pump_.Post(dynReport_);
}

} // namespace talvex
