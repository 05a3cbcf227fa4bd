// The test client's thread pumps messages whenever it is not running a job,
// so hot-link data and disconnects reach it at any time.
#include "tests/ddesim/dde_test_client.h"

#include <windows.h>

#include <ddeml.h>

#include <future>
#include <vector>

namespace talvex::ddesim::test {

namespace {
constexpr DWORD kTransactionMs = 5000;
thread_local DdeTestClient* tClient = nullptr;
} // namespace

struct DdeTestClient::State {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;
    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);

    DWORD instance = 0;
    HSZ data = nullptr;
    HCONV control = nullptr;
    HCONV async = nullptr;
    HCONV dynamic = nullptr;
    int linked = 0;
    std::deque<std::string> responses;
    std::deque<std::string> dynamicData;

    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV conv, HSZ, HSZ, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR);
    static std::string BytesOf(HDDEDATA data) {
        const DWORD size = DdeGetData(data, nullptr, 0, 0);
        std::string bytes(size, '\0');
        DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
        const std::size_t end = bytes.find('\0');
        if (end != std::string::npos) bytes.resize(end);
        return bytes;
    }
    // Some DDEML implementations leave an acknowledgement in the queue after
    // a request, which the next transaction would take for its own.
    void DropStrayAck() const {
        CONVINFO info{};
        info.cb = sizeof info;
        if (!control || !DdeQueryConvInfo(control, QID_SYNC, &info) || !info.hwnd) return;
        MSG msg;
        while (PeekMessageW(&msg, info.hwnd, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE))
            FreeDDElParam(WM_DDE_ACK, msg.lParam);
    }
};

HDDEDATA CALLBACK DdeTestClient::State::Callback(UINT type, UINT, HCONV conv, HSZ, HSZ,
                                                 HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    State* state = tClient ? tClient->state_ : nullptr;
    if (!state) return nullptr;
    std::lock_guard lock(state->mutex);
    if (type == XTYP_ADVDATA) {
        if (conv == state->async) state->responses.push_back(BytesOf(data));
        if (conv == state->dynamic) state->dynamicData.push_back(BytesOf(data));
        state->changed.notify_all();
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
    }
    if (type == XTYP_DISCONNECT) {
        if (conv == state->control || conv == state->async || conv == state->dynamic)
            --state->linked;
        state->changed.notify_all();
    }
    return nullptr;
}

DdeTestClient::DdeTestClient() : state_(new State) {
    std::promise<void> ready;
    thread_ = std::thread([this, &ready] {
        tClient = this;
        DdeInitializeW(&state_->instance, State::Callback, APPCMD_CLIENTONLY, 0);
        state_->data = DdeCreateStringHandleW(state_->instance, L"Data", CP_WINUNICODE);
        ready.set_value();
        ThreadMain();
        DdeUninitialize(state_->instance);
    });
    ready.get_future().wait();
}

DdeTestClient::~DdeTestClient() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    SetEvent(state_->wake);
    thread_.join();
    CloseHandle(state_->wake);
    delete state_;
}

void DdeTestClient::ThreadMain() {
    for (;;) {
        MsgWaitForMultipleObjectsEx(1, &state_->wake, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        std::deque<std::function<void()>> jobs;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->stopping) return;
            jobs.swap(state_->jobs);
        }
        for (auto& job : jobs)
            job();
    }
}

void DdeTestClient::RunOnThread(std::function<void()> job) {
    std::promise<void> done;
    {
        std::lock_guard lock(state_->mutex);
        state_->jobs.push_back([&] {
            job();
            done.set_value();
        });
    }
    SetEvent(state_->wake);
    done.get_future().wait();
}

bool DdeTestClient::Connect(const std::wstring& service, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        bool linked = false;
        RunOnThread([&] {
            State& s = *state_;
            const auto name = [&](const wchar_t* text) {
                return DdeCreateStringHandleW(s.instance, text, CP_WINUNICODE);
            };
            HSZ hszService = name(service.c_str());
            s.control = DdeConnect(s.instance, hszService, name(L"DDE_Control"), nullptr);
            if (!s.control) return;
            s.async = DdeConnect(s.instance, hszService, name(L"DDE_AsyncResponse"), nullptr);
            s.dynamic = DdeConnect(s.instance, hszService, name(L"DDE_DynamicData"), nullptr);
            DWORD result = 0;
            linked = s.async && s.dynamic &&
                     DdeClientTransaction(nullptr, 0, s.async, s.data, CF_TEXT, XTYP_ADVSTART,
                                          kTransactionMs, &result) &&
                     DdeClientTransaction(nullptr, 0, s.dynamic, s.data, CF_TEXT, XTYP_ADVSTART,
                                          kTransactionMs, &result);
            std::lock_guard lock(s.mutex);
            s.linked = linked ? 3 : 0;
        });
        if (linked) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::optional<std::string> DdeTestClient::Request(const std::wstring& command) {
    std::optional<std::string> reply;
    RunOnThread([&] {
        State& s = *state_;
        HSZ item = DdeCreateStringHandleW(s.instance, command.c_str(), CP_WINUNICODE);
        DWORD result = 0;
        s.DropStrayAck();
        HDDEDATA data = DdeClientTransaction(nullptr, 0, s.control, item, CF_TEXT, XTYP_REQUEST,
                                             kTransactionMs, &result);
        s.DropStrayAck();
        DdeFreeStringHandle(s.instance, item);
        if (data) {
            reply = State::BytesOf(data);
            DdeFreeDataHandle(data);
        }
    });
    return reply;
}

bool DdeTestClient::Execute(const std::wstring& command) {
    bool accepted = false;
    RunOnThread([&] {
        State& s = *state_;
        std::wstring text = command;
        DWORD result = 0;
        s.DropStrayAck();
        accepted =
            DdeClientTransaction(reinterpret_cast<LPBYTE>(text.data()),
                                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), s.control,
                                 nullptr, 0, XTYP_EXECUTE, kTransactionMs, &result) != nullptr;
    });
    return accepted;
}

namespace {
std::optional<std::string> NextOf(std::mutex& mutex, std::condition_variable& changed,
                                  std::deque<std::string>& queue,
                                  std::chrono::milliseconds patience) {
    std::unique_lock lock(mutex);
    if (!changed.wait_for(lock, patience, [&] { return !queue.empty(); })) return std::nullopt;
    std::string text = std::move(queue.front());
    queue.pop_front();
    return text;
}
} // namespace

std::optional<std::string> DdeTestClient::NextResponse(std::chrono::milliseconds patience) {
    return NextOf(state_->mutex, state_->changed, state_->responses, patience);
}

std::optional<std::string> DdeTestClient::NextDynamic(std::chrono::milliseconds patience) {
    return NextOf(state_->mutex, state_->changed, state_->dynamicData, patience);
}

bool DdeTestClient::WaitForDisconnect(std::chrono::milliseconds patience) {
    // Some DDEML implementations never tell a client that the server ended
    // a conversation; the conversation's status shows it all the same.
    const auto ended = [this] {
        bool all = true;
        RunOnThread([&] {
            for (HCONV conv : {state_->control, state_->async, state_->dynamic}) {
                CONVINFO info{};
                info.cb = sizeof info;
                if (DdeQueryConvInfo(conv, QID_SYNC, &info) && (info.wStatus & ST_CONNECTED))
                    all = false;
            }
        });
        return all;
    };
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        {
            std::unique_lock lock(state_->mutex);
            if (state_->changed.wait_for(lock, std::chrono::milliseconds(50),
                                         [&] { return state_->linked <= 0; }))
                return true;
        }
        if (ended()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
    }
}

} // namespace talvex::ddesim::test
