// The host link over DDEML.
#include "ddelink/dde_host_link.h"

#include "ddelink/host_probe.h"
#include "ddelink/wide_text.h"
#include "engine/text_codec.h"
#include "simhost/protocol_topics.h"

#include <dde.h>

#include <algorithm>
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

// How long a request's stray acknowledgement may trail its reply.
constexpr std::chrono::milliseconds kStrayAckLinger(50);

} // namespace

namespace {
LinkCoreOptions DdeOptions() {
    LinkCoreOptions options;
    // An execute is synchronous: a response pushed before its acknowledgement
    // counts.
    options.countPushesFromSend = true;
    options.namesDropBeforeSend = true;
    options.requestTimeout = std::chrono::milliseconds(60000);
    // A short synchronous request: the request is in the host's queue either
    // way. (An asynchronous transaction would not need the timeout, but some
    // DDEMLs never complete one.)
    options.hardCancelTimeout = std::chrono::milliseconds(300);
    return options;
}
} // namespace

DdeHostLink::DdeHostLink(MessagePump& pump)
    : CoreLink(*this, DdeOptions()), pump_(pump), service_(L"KORVA"),
      search_(KorvaSearch::FromEnvironment()) {
    if (const std::wstring name = EnvironmentValue(L"KORVA_SERVICE"); !name.empty())
        service_ = name;
    // An ANSI instance: execute strings go out as the Windows-1252 bytes we
    // give, unchanged to an ANSI host (DDEML converts them for a Unicode one).
    if (DdeInitializeA(&inst_, DdeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) inst_ = 0;
    hszControl_ = Atom(WideFromUtf8(simhost::kControlTopic));
    hszAsync_ = Atom(WideFromUtf8(simhost::kAsyncTopic));
    hszDynamic_ = Atom(WideFromUtf8(simhost::kDynamicTopic));
    hszData_ = Atom(WideFromUtf8(simhost::kDataItem));
}

DdeHostLink::~DdeHostLink() {
    // Leaving without Uninit closes the conversations only; the host keeps running.
    DisconnectAll();
    if (hostProcess_) CloseHandle(hostProcess_);
    if (startErrors_ != INVALID_HANDLE_VALUE) CloseHandle(startErrors_);
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

void DdeHostLink::Tell(LinkMessageIcon icon, const std::string& title, const std::string& text) {
    if (messages_) {
        messages_(icon, title, text);
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

std::wstring DdeHostLink::TARNPath() {
    const std::wstring path = FindKorva(search_);
    if (path.empty()) core_.TellHostNotFound(KorvaSearchFailure(search_));
    return path;
}

std::string DdeHostLink::PrepareLink() {
    ClearDynReport();
    hostDir_.clear();
    DisconnectAll();
    return {};
}

bool DdeHostLink::ChooseProgram() {
    program_ = korvaPath_;
    if (!program_.empty()) return true;
    program_ = TARNPath();
    if (program_.empty()) return false;
    // The file found is started as found: KORVA32 may name a host that is
    // not called korva32.exe.
    hostDir_ = Utf8FromWide(FolderOf(program_)) + "\\";
    return true;
}

LinkPort::Reach DdeHostLink::Connect(LinkTime deadline, bool started, std::string& why) {
    if (!inst_) {
        lastConnectError_ = DMLERR_NO_CONV_ESTABLISHED;
        return Reach::NoHost;
    }
    DisconnectAll();
    if (!hszService_) hszService_ = Atom(service_);
    if (!started) {
        // Ask from a thread of our own first whether a host answers at all:
        // DDEML's connect would wait for a hung one without a limit. A host
        // we have just started needs no probe: it was not there a moment ago.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        switch (ProbeHost(pump_, service_, WideFromUtf8(simhost::kControlTopic),
                          std::max(left, std::chrono::milliseconds(1)),
                          [this] { return core_.StartCancelled(); })) {
        case HostProbe::NoHost:
            return Reach::NoHost;
        case HostProbe::NoAnswer:
            why = kNoAnswerReason;
            return Reach::Failed;
        case HostProbe::Answers:
            break;
        }
    }
    control_ = DdeConnect(inst_, hszService_, hszControl_, nullptr);
    if (!control_) {
        // The probe found no host: our own instance has no error of it.
        lastConnectError_ = DdeGetLastError(inst_);
        if (lastConnectError_ == DMLERR_NO_ERROR) lastConnectError_ = DMLERR_NO_CONV_ESTABLISHED;
        return Reach::NoHost;
    }
    Owners()[control_] = this;
    async_ = DdeConnect(inst_, hszService_, hszAsync_, nullptr);
    dynamic_ = DdeConnect(inst_, hszService_, hszDynamic_, nullptr);
    if (async_) Owners()[async_] = this;
    if (dynamic_) Owners()[dynamic_] = this;
    return Reach::Linked;
}

LinkPort::Reach DdeHostLink::Subscribe(LinkTime deadline, std::string& why) {
    const auto left = [&] {
        return std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    };
    bool timedOut = false;
    UINT refusal = 0;
    const char* refusedTopic = "";
    const auto advise = [&](HCONV conv, const char* topic) {
        if (!conv) {
            refusal = DMLERR_NO_CONV_ESTABLISHED;
            refusedTopic = topic;
            return false;
        }
        const std::chrono::milliseconds wait = left();
        if (wait.count() <= 0) {
            timedOut = true;
            return false;
        }
        DWORD result = 0;
        DropStrayAck();
        if (DdeClientTransaction(
                nullptr, 0, conv, hszData_, CF_TEXT, XTYP_ADVSTART,
                static_cast<DWORD>(std::min(wait, core_.Options().requestTimeout).count()),
                &result))
            return true;
        const UINT error = DdeGetLastError(inst_);
        if (error == DMLERR_ADVACKTIMEOUT) {
            timedOut = true;
        } else {
            refusal = error;
            refusedTopic = topic;
        }
        return false;
    };
    if (!advise(dynamic_, simhost::kDynamicTopic) || !advise(async_, simhost::kAsyncTopic)) {
        // Without the response topic no execute could ever be answered.
        why = timedOut || refusal == 0
                  ? std::string(kNoAnswerReason)
                  : Utf8FromWide(service_) + "|" + refusedTopic + ": " + DdeErrorText(refusal);
        if (timedOut)
            Abandon();
        else
            DisconnectAll();
        return Reach::Failed;
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
    return Reach::Linked;
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

bool DdeHostLink::StartHost(bool visible, std::string& why) {
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
    std::wstring commandLine = L"\"" + program_ + L"\"";
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(program_.c_str(), commandLine.data(), nullptr, nullptr,
                                        TRUE, flags, nullptr, nullptr, &si.StartupInfo, &pi);
    const DWORD startError = GetLastError();
    if (si.lpAttributeList) DeleteProcThreadAttributeList(attrs);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) {
        if (errors != INVALID_HANDLE_VALUE) CloseHandle(errors);
        why = Utf8FromWide(program_) + ": " + SystemErrorText(startError);
        return false;
    }
    CloseHandle(pi.hThread);
    if (hostProcess_) CloseHandle(hostProcess_);
    hostProcess_ = pi.hProcess;
    hostPid_ = pi.dwProcessId;
    if (startErrors_ != INVALID_HANDLE_VALUE) CloseHandle(startErrors_);
    startErrors_ = errors;
    return true;
}

bool DdeHostLink::HostRuns() const {
    return WaitForSingleObject(hostProcess_, 0) != WAIT_OBJECT_0;
}

std::string DdeHostLink::FinishStart(StartOutcome outcome, const std::string& setUpWhy) {
    const HANDLE errors = std::exchange(startErrors_, INVALID_HANDLE_VALUE);
    std::string reason;
    if (errors != INVALID_HANDLE_VALUE) {
        if (outcome != StartOutcome::Linked) reason = FirstLineOf(errors);
        CloseHandle(errors);
    }
    if (outcome == StartOutcome::Linked || outcome == StartOutcome::Cancelled) return {};
    if (reason.empty()) {
        const std::string service = Utf8FromWide(service_);
        if (outcome == StartOutcome::HostEnded)
            reason = "the host ended without offering the DDE service " + service;
        else if (outcome == StartOutcome::NoAnswer)
            reason = setUpWhy;
        else
            reason =
                service + "|" + simhost::kControlTopic + ": " + DdeErrorText(lastConnectError_);
    }
    return reason;
}

void DdeHostLink::EndHost() {
    if (!hostProcess_) return;
    if (WaitForSingleObject(hostProcess_, 0) != WAIT_OBJECT_0) {
        TerminateProcess(hostProcess_, 1);
        WaitForSingleObject(hostProcess_, 2000);
    }
    CloseHandle(hostProcess_);
    hostProcess_ = nullptr;
    hostPid_ = 0;
}

void DdeHostLink::ExitHost(std::chrono::milliseconds timeout) {
    // Some DDEMLs never tell the client that the host closed the
    // conversations after Exit: the host's process ending tells instead, so
    // the wait below watches it.
    if (partnerProcess_) pump_.Watch(partnerProcess_, [this] { pump_.Unwatch(partnerProcess_); });
    hostClosed_ = false;
    DropStrayAck();
    static const char kExit[] = "Exit";
    DWORD result = 0;
    DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(kExit)), sizeof kExit, control_,
                         nullptr, 0, XTYP_EXECUTE, static_cast<DWORD>(timeout.count()), &result);
    // We wait for our conversation, not for the host, which goes on serving
    // other clients.
    pump_.WaitUntil(
        [this] {
            return hostClosed_ ||
                   (partnerProcess_ && WaitForSingleObject(partnerProcess_, 0) == WAIT_OBJECT_0);
        },
        timeout);
}

bool DdeHostLink::WaitForHostExit(std::chrono::milliseconds timeout) {
    if (!hostProcess_) return true;
    return WaitForSingleObject(hostProcess_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

void DdeHostLink::DropStrayAck(std::chrono::milliseconds linger) {
    // Some DDEML implementations leave an acknowledgement in the client's
    // queue after a request; the next transaction would take it for its own
    // answer. Removing one that is there is harmless where none is left.
    // After a request's reply it may still be on its way (the host may be
    // put aside between posting the two): `linger` gives it that moment.
    if (!control_) return;
    CONVINFO info{};
    info.cb = sizeof info;
    if (!DdeQueryConvInfo(control_, QID_SYNC, &info) || !info.hwnd) return;
    const Clock::time_point until = Clock::now() + linger;
    for (;;) {
        MSG msg;
        bool dropped = false;
        while (PeekMessageW(&msg, info.hwnd, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE)) {
            FreeDDElParam(WM_DDE_ACK, msg.lParam);
            dropped = true;
        }
        const Clock::time_point now = Clock::now();
        if (dropped || now >= until) return;
        MsgWaitForMultipleObjectsEx(
            0, nullptr,
            static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(until - now).count()),
            QS_POSTMESSAGE, 0);
    }
}

bool DdeHostLink::Encode(const std::string& command, std::string& cp1252, std::string& refusal) {
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
    refusal = kUnsendableText + (IsValidUtf8(bad) ? bad : std::string("?"));
    return false;
}

bool DdeHostLink::PartnerGone() const {
    return partnerWindow_ && !IsWindow(partnerWindow_);
}

void DdeHostLink::Request(const std::string& command, PortCall* call,
                          std::chrono::milliseconds timeout) {
    PortCall ignored;
    PortCall& out = call ? *call : ignored;
    std::string wire;
    if (!Encode(command, wire, out.text)) {
        out.state = PortCall::State::NotSent;
        return;
    }
    const std::wstring item = WideFromUtf8(command);
    if (item.size() > kMaxItemName) {
        out.state = PortCall::State::NotSent;
        out.text = kTooLongText;
        return;
    }
    DropStrayAck();
    HSZ hszItem = Atom(item);
    DWORD result = 0;
    HDDEDATA data = DdeClientTransaction(nullptr, 0, control_, hszItem, CF_TEXT, XTYP_REQUEST,
                                         static_cast<DWORD>(timeout.count()), &result);
    const UINT error = data ? DMLERR_NO_ERROR : DdeGetLastError(inst_);
    if (hszItem) DdeFreeStringHandle(inst_, hszItem);
    DropStrayAck(data ? kStrayAckLinger : std::chrono::milliseconds(0));
    if (data) {
        out.state = PortCall::State::Answered;
        out.text = DataText(data);
        DdeFreeDataHandle(data);
        return;
    }
    if (core_.IsLinked() && (PartnerGone() || error == DMLERR_SERVER_DIED)) OnLost();
    // A refused or unanswered request leaves the response empty, as a failed
    // request always did.
    out.state = core_.IsLinked() ? PortCall::State::Refused : PortCall::State::Lost;
}

void DdeHostLink::Execute(const std::string& command, PortCall& call) {
    std::string wire;
    if (!Encode(command, wire, call.text)) {
        call.state = PortCall::State::NotSent;
        return;
    }
    DropStrayAck();
    DWORD result = 0;
    HDDEDATA ok = DdeClientTransaction(
        reinterpret_cast<LPBYTE>(wire.data()), static_cast<DWORD>(wire.size() + 1), control_,
        nullptr, 0, XTYP_EXECUTE, static_cast<DWORD>(core_.Options().requestTimeout.count()),
        &result);
    call.state = PortCall::State::Answered;
    if (ok || !core_.IsLinked()) return;
    const UINT error = DdeGetLastError(inst_);
    if (PartnerGone() || error == DMLERR_SERVER_DIED) {
        OnLost();
    } else if (error != DMLERR_EXECACKTIMEOUT) {
        call.state = PortCall::State::Refused;
        call.text = DdeErrorText(error);
    }
    // A host too busy to acknowledge in time still answers in the end.
}

void DdeHostLink::WaitForEvent(const std::function<bool()>& ready, std::optional<LinkTime> until) {
    // A host that ends without a word is seen at least every quarter second.
    const Clock::time_point now = Clock::now();
    Clock::time_point wake = now + std::chrono::milliseconds(250);
    if (until) wake = std::min(wake, *until);
    if (wake > now)
        pump_.WaitUntil(ready, std::chrono::ceil<std::chrono::milliseconds>(wake - now));
    if (core_.IsLinked() && PartnerGone()) OnLost();
}

void DdeHostLink::Abandon() {
    // DDEML's disconnect waits for the host to answer our WM_DDE_TERMINATE,
    // for seconds per conversation when it does not. Its answer is posted
    // here in its name first, so each disconnect ends at once and DDEML
    // still forgets the conversation (a later link to the same topic needs
    // that). The host gets our terminate whenever it wakes.
    for (HCONV conv : {control_, async_, dynamic_}) {
        if (!conv) continue;
        CONVINFO info{};
        info.cb = sizeof info;
        if (DdeQueryConvInfo(conv, QID_SYNC, &info) && info.hwnd && info.hwndPartner)
            PostMessageW(info.hwnd, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(info.hwndPartner),
                         0);
    }
    DisconnectAll();
}

HDDEDATA DdeHostLink::OnCallback(UINT type, HCONV conv, HSZ, HDDEDATA data) {
    switch (type) {
    case XTYP_ADVDATA:
        if (conv == async_) {
            core_.OnResponsePush(data ? DataText(data) : std::string());
        } else if (conv == dynamic_) {
            core_.OnDynamicPush(data ? DataText(data) : std::string());
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
    core_.OnLost();
}

void DdeHostLink::PostDynReport() {
    // Read when it runs, not now: the click sees the data of that moment.
    if (dynReport_) pump_.Post(dynReport_);
}

} // namespace talvex
