// The DDEML side of the simulator. Nothing is pushed to a client from inside
// a DDEML callback: responses, dynamic data and the end of a client's
// conversations wait in queues until the callback has returned and the
// message loop runs the scheduled work. So an execute's acknowledgement is
// always on its way before its response.
#include "ddesim/dde_sim_host.h"

#include "ddesim/cf_text.h"
#include "simhost/protocol_topics.h"

#include <utility>

namespace talvex::ddesim {

namespace {

// DDEML calls back with no context of its own; the host serving this thread.
thread_local DdeSimHost* tHost = nullptr;

constexpr UINT kWorkMessage = WM_APP + 1;
constexpr char kWindowClass[] = "TalvexKorvaSimWork";

// Some DDEML implementations hand an ANSI server a Unicode client's execute
// string as it stands. A CF_TEXT command never has a NUL as its second byte,
// so that is how such a string shows itself.
bool looksLikeUtf16(const std::string& bytes) {
    return bytes.size() >= 4 && bytes[0] != '\0' && bytes[1] == '\0';
}

std::string utf16ToUtf8(const std::string& bytes) {
    std::wstring wide(bytes.size() / 2, L'\0');
    for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    const std::size_t end = wide.find(L'\0');
    if (end != std::wstring::npos) wide.resize(end);
    if (wide.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                        nullptr, nullptr);
    return text;
}

// Ends the server's side of a conversation. Some DDEML implementations
// leave a server's DdeDisconnect undone; the conversation then still says
// it is connected, and the client is told as plain DDE tells it, by a
// WM_DDE_TERMINATE from our conversation window. Its answering terminate
// lets DDEML clean up.
void EndConversation(HCONV conv) {
    CONVINFO info{};
    info.cb = sizeof info;
    const bool known = DdeQueryConvInfo(conv, QID_SYNC, &info) != 0;
    DdeDisconnect(conv);
    CONVINFO after{};
    after.cb = sizeof after;
    if (known && DdeQueryConvInfo(conv, QID_SYNC, &after) && (after.wStatus & ST_CONNECTED) &&
        IsWindow(info.hwndPartner))
        PostMessageA(info.hwndPartner, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(info.hwnd), 0);
}

} // namespace

DdeSimHost::DdeSimHost(simhost::CommandInterpreter::TextSink writeText)
    : sessions_(*this, std::move(writeText)) {}

DdeSimHost::~DdeSimHost() {
    if (instance_) {
        if (registered_) DdeNameService(instance_, service_, nullptr, DNS_UNREGISTER);
        for (HSZ name : {service_, control_, async_, dynamic_, data_})
            if (name) DdeFreeStringHandle(instance_, name);
        DdeUninitialize(instance_); // ends every conversation
    }
    if (window_) DestroyWindow(window_);
    if (tHost == this) tHost = nullptr;
}

DdeSimHost::StartResult DdeSimHost::Start(const std::string& service, std::string* error) {
    tHost = this;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExA(&windowClass);
    window_ = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              windowClass.hInstance, nullptr);
    if (!window_) {
        *error = "cannot create the message window (error " + std::to_string(GetLastError()) + ")";
        return StartResult::Failed;
    }
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    // ANSI, as the real host is: the system hands us executes in the code page.
    const UINT result = DdeInitializeA(
        &instance_, DdeCallback,
        APPCLASS_STANDARD | CBF_FAIL_POKES | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS, 0);
    if (result != DMLERR_NO_ERROR) {
        instance_ = 0;
        *error = "DdeInitialize failed (error " + std::to_string(result) + ")";
        return StartResult::Failed;
    }
    service_ = DdeCreateStringHandleA(instance_, service.c_str(), CP_WINANSI);
    control_ = DdeCreateStringHandleA(instance_, simhost::kControlTopic, CP_WINANSI);
    async_ = DdeCreateStringHandleA(instance_, simhost::kAsyncTopic, CP_WINANSI);
    dynamic_ = DdeCreateStringHandleA(instance_, simhost::kDynamicTopic, CP_WINANSI);
    data_ = DdeCreateStringHandleA(instance_, simhost::kDataItem, CP_WINANSI);
    if (!service_ || !control_ || !async_ || !dynamic_ || !data_) {
        *error = "cannot create the DDE names";
        return StartResult::Failed;
    }
    // Two servers of one name would split the clients between them.
    if (HCONV other = DdeConnect(instance_, service_, control_, nullptr)) {
        DdeDisconnect(other);
        *error = "the DDE service " + service + " is already served by another program";
        return StartResult::ServiceTaken;
    }
    if (!DdeNameService(instance_, service_, nullptr, DNS_REGISTER)) {
        *error = "cannot register the DDE service " + service + " (error " +
                 std::to_string(DdeGetLastError(instance_)) + ")";
        return StartResult::Failed;
    }
    registered_ = true;
    return StartResult::Serving;
}

int DdeSimHost::Run() {
    // Wakes for input that is already queued too (MWMO_INPUTAVAILABLE): a
    // plain message wait can sleep on in some implementations although a
    // DDE message is waiting.
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

HDDEDATA CALLBACK DdeSimHost::DdeCallback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                          HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    return tHost ? tHost->OnCallback(type, format, conv, hsz1, hsz2, data) : nullptr;
}

LRESULT CALLBACK DdeSimHost::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* host = reinterpret_cast<DdeSimHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (host && message == WM_TIMER) {
        host->sessions_.WaitElapsed(static_cast<simhost::ClientId>(wParam));
        host->DoScheduledWork();
        return 0;
    }
    if (host && message == kWorkMessage) {
        host->DoScheduledWork();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HDDEDATA DdeSimHost::OnCallback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                HDDEDATA data) {
    Topic topic;
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(
            static_cast<ULONG_PTR>(!sessions_.Ended() && TopicOf(hsz1, &topic)));
    case XTYP_CONNECT_CONFIRM:
        if (TopicOf(hsz1, &topic)) AddConversation(conv, topic);
        return nullptr;
    case XTYP_DISCONNECT:
        RemoveConversation(conv);
        return nullptr;
    case XTYP_REQUEST:
        return Request(conv, hsz2, format);
    case XTYP_EXECUTE:
        return Execute(conv, data);
    case XTYP_ADVSTART:
    case XTYP_ADVSTOP: {
        const auto found = conversations_.find(conv);
        const bool fits = found != conversations_.end() && found->second.topic != Topic::Control &&
                          DdeCmpStringHandles(hsz2, data_) == 0 && format == CF_TEXT;
        if (!fits) return nullptr;
        found->second.advised = type == XTYP_ADVSTART;
        if (!found->second.advised) found->second.dynamicOut.clear();
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(TRUE));
    }
    case XTYP_ADVREQ:
        return AdviseRequest(conv, hsz2);
    default:
        return nullptr;
    }
}

bool DdeSimHost::TopicOf(HSZ hsz, Topic* topic) const {
    if (DdeCmpStringHandles(hsz, control_) == 0) {
        *topic = Topic::Control;
    } else if (DdeCmpStringHandles(hsz, async_) == 0) {
        *topic = Topic::Async;
    } else if (DdeCmpStringHandles(hsz, dynamic_) == 0) {
        *topic = Topic::Dynamic;
    } else {
        return false;
    }
    return true;
}

std::string DdeSimHost::StringOf(HSZ hsz) const {
    const DWORD length = DdeQueryStringA(instance_, hsz, nullptr, 0, CP_WINANSI);
    std::string text(length + 1, '\0');
    DdeQueryStringA(instance_, hsz, text.data(), length + 1, CP_WINANSI);
    text.resize(length);
    return text;
}

void DdeSimHost::AddConversation(HCONV conv, Topic topic) {
    // The partner window tells whose conversation this is.
    CONVINFO info{};
    info.cb = sizeof info;
    DdeQueryConvInfo(conv, QID_SYNC, &info);
    DWORD process = 0;
    const DWORD thread =
        info.hwndPartner ? GetWindowThreadProcessId(info.hwndPartner, &process) : 0;
    simhost::ClientId serial = 0;
    for (const auto& [id, client] : clients_) {
        if (sessions_.Leaving(id)) continue;
        const bool same = thread != 0 ? client.thread == thread && client.process == process
                                      : client.window == info.hwndPartner;
        if (same) {
            serial = id;
            break;
        }
    }
    if (serial == 0) {
        serial = sessions_.Join();
        Client& client = clients_[serial];
        client.process = process;
        client.thread = thread;
        client.window = info.hwndPartner;
    }
    conversations_[conv] = Conversation{topic, serial, false, {}};
}

void DdeSimHost::RemoveConversation(HCONV conv) {
    const auto found = conversations_.find(conv);
    if (found == conversations_.end()) return;
    const simhost::ClientId serial = found->second.client;
    conversations_.erase(found);
    for (const auto& [handle, conversation] : conversations_) {
        if (conversation.client == serial) return;
    }
    DropClient(serial);
}

DdeSimHost::Client* DdeSimHost::ClientOf(HCONV conv) {
    const auto found = conversations_.find(conv);
    if (found == conversations_.end()) return nullptr;
    const auto client = clients_.find(found->second.client);
    return client == clients_.end() ? nullptr : &client->second;
}

HDDEDATA DdeSimHost::Request(HCONV conv, HSZ item, UINT format) {
    const auto found = conversations_.find(conv);
    if (found == conversations_.end() || found->second.topic != Topic::Control ||
        format != CF_TEXT || sessions_.Ended())
        return nullptr;
    // What the request sets off (a cancel's "cancelled", an Exit) goes out
    // once this reply is on its way.
    HDDEDATA reply = nullptr;
    sessions_.Request(
        found->second.client, FromCfText(StringOf(item)), [&](const std::string& text) {
            const std::string bytes = ToCfText(text);
            reply = DdeCreateDataHandle(instance_,
                                        reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.c_str())),
                                        static_cast<DWORD>(bytes.size() + 1), 0, item, CF_TEXT, 0);
        });
    return reply;
}

HDDEDATA DdeSimHost::Execute(HCONV conv, HDDEDATA data) {
    const auto found = conversations_.find(conv);
    if (found == conversations_.end() || found->second.topic != Topic::Control || sessions_.Ended())
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FNOTPROCESSED));
    const DWORD size = DdeGetData(data, nullptr, 0, 0);
    std::string bytes(size, '\0');
    if (size > 0) DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
    sessions_.Execute(found->second.client,
                      looksLikeUtf16(bytes) ? utf16ToUtf8(bytes) : FromCfText(bytes));
    return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
}

HDDEDATA DdeSimHost::AdviseRequest(HCONV conv, HSZ item) {
    const auto found = conversations_.find(conv);
    if (found == conversations_.end() || !found->second.advised ||
        DdeCmpStringHandles(item, data_) != 0)
        return nullptr;
    std::deque<std::string>* out = &found->second.dynamicOut;
    if (found->second.topic == Topic::Async) {
        Client* client = ClientOf(conv);
        if (!client) return nullptr;
        out = &client->asyncOut;
    }
    // No data for this conversation now: DDEML then sends it nothing. One
    // conversation a post: some DDEML implementations give every message of
    // one post a single reference to the item's atom, so the first client to
    // read its message deletes the name the others still need.
    if (out->empty() || postTaken_) return nullptr;
    postTaken_ = true;
    const std::string bytes = std::move(out->front());
    out->pop_front();
    return DdeCreateDataHandle(instance_,
                               reinterpret_cast<LPBYTE>(const_cast<char*>(bytes.c_str())),
                               static_cast<DWORD>(bytes.size() + 1), 0, item, CF_TEXT, 0);
}

void DdeSimHost::Respond(simhost::ClientId serial, const std::string& response) {
    const auto found = clients_.find(serial);
    if (found == clients_.end()) return;
    found->second.asyncOut.push_back(ToCfText(response));
    ScheduleWork();
}

void DdeSimHost::PushDynamic(const std::string& data) {
    const std::string bytes = ToCfText(data);
    for (auto& [conv, conversation] : conversations_) {
        if (conversation.topic == Topic::Dynamic && conversation.advised)
            conversation.dynamicOut.push_back(bytes);
    }
    ScheduleWork();
}

void DdeSimHost::StartTimer(simhost::ClientId client, int ms) {
    SetTimer(window_, static_cast<UINT_PTR>(client), static_cast<UINT>(ms), nullptr);
}

void DdeSimHost::StopTimer(simhost::ClientId client) {
    KillTimer(window_, static_cast<UINT_PTR>(client));
}

void DdeSimHost::DropClient(simhost::ClientId serial) {
    clients_.erase(serial);
    sessions_.Leave(serial);
}

void DdeSimHost::ScheduleEnd() {
    // Not from inside the callback that told us: links end from the loop.
    ScheduleWork();
}

void DdeSimHost::ScheduleWork() {
    if (workScheduled_) return;
    workScheduled_ = PostMessageA(window_, kWorkMessage, 0, 0) != FALSE;
}

void DdeSimHost::DoScheduledWork() {
    workScheduled_ = false;
    if (sessions_.Ended()) return;
    DropVanishedClients();
    PushOut();
    sessions_.EndLeaving();
}

void DdeSimHost::DropVanishedClients() {
    // A client that ended without closing its conversations (killed, or a
    // DDEML that does not tell) leaves them behind; its windows are gone.
    std::vector<HCONV> vanished;
    for (const auto& [conv, conversation] : conversations_) {
        CONVINFO info{};
        info.cb = sizeof info;
        if (!DdeQueryConvInfo(conv, QID_SYNC, &info) || !IsWindow(info.hwndPartner))
            vanished.push_back(conv);
    }
    for (HCONV conv : vanished)
        RemoveConversation(conv);
}

void DdeSimHost::PushOut() {
    // Each post hands one conversation one text of its own.
    const auto postAll = [this](HSZ topic, auto&& waiting) {
        while (waiting() > 0) {
            postTaken_ = false;
            const bool posted = DdePostAdvise(instance_, topic, data_);
            if (!posted || !postTaken_) break; // nobody took any: no hot link
        }
    };
    postAll(dynamic_, [this] {
        std::size_t count = 0;
        for (const auto& [conv, conversation] : conversations_)
            count += conversation.dynamicOut.size();
        return count;
    });
    postAll(async_, [this] {
        std::size_t count = 0;
        for (const auto& [serial, client] : clients_)
            count += client.asyncOut.size();
        return count;
    });
    // What no hot link took has nowhere to go: the client never advised.
    for (auto& [serial, client] : clients_)
        client.asyncOut.clear();
    for (auto& [conv, conversation] : conversations_)
        conversation.dynamicOut.clear();
}

void DdeSimHost::EndClient(simhost::ClientId client) {
    std::vector<HCONV> ending;
    for (const auto& [conv, conversation] : conversations_) {
        if (conversation.client == client) ending.push_back(conv);
    }
    for (HCONV conv : ending) {
        conversations_.erase(conv);
        EndConversation(conv);
    }
    clients_.erase(client);
}

void DdeSimHost::EndHost() {
    // The name first: a client that sees its conversations end may start a
    // fresh host at once, and must not find this one.
    if (registered_) DdeNameService(instance_, service_, nullptr, DNS_UNREGISTER);
    registered_ = false;
    std::vector<HCONV> ending;
    for (const auto& [conv, conversation] : conversations_)
        ending.push_back(conv);
    conversations_.clear();
    for (HCONV conv : ending)
        EndConversation(conv);
    clients_.clear();
    PostQuitMessage(0);
}

} // namespace talvex::ddesim
