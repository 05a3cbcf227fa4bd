// The link to the host on Windows, over DDEML: finds and starts korva32.exe,
// keeps the control, asynchronous response and dynamic data conversations,
// sends commands and hands out their responses and the fields inside them.
// Texts are UTF-8 here and Windows-1252 on the wire.
#pragma once

#include "ddelink/korva_search.h"
#include "ddelink/message_pump.h"
#include "linkcore/core_link.h"

#include "ddelink/win32.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace talvex {

using DdeMessageIcon = LinkMessageIcon;

class DdeHostLink : private LinkPort, public CoreLink {
public:
    // Shows a message to the user (UTF-8). An empty title means the front end's own.
    using MessageHandler =
        std::function<void(DdeMessageIcon icon, const std::string& title, const std::string& text)>;

    // The start of the reply text for a command with a character that has no
    // place in Windows-1252; the character follows.
    static constexpr const char* kUnsendableText =
        "Error: the command holds a character KORVA cannot take: ";

    explicit DdeHostLink(MessagePump& pump);
    ~DdeHostLink() override;
    DdeHostLink(const DdeHostLink&) = delete;
    DdeHostLink& operator=(const DdeHostLink&) = delete;

    // Configuration; the defaults follow the environment.
    void SetMessageHandler(MessageHandler handler) { messages_ = std::move(handler); }
    // The DDE service ("KORVA", or KORVA_SERVICE when set).
    void SetService(const std::wstring& service) { service_ = service; }
    const std::wstring& Service() const { return service_; }
    void SetHostSearch(const KorvaSearch& search) { search_ = search; }
    // How long a host we started may take to offer its service.
    void SetLinkTimeout(std::chrono::milliseconds ms) { core_.Options().linkTimeout = ms; }
    // How long Uninit waits for the host to close the link after Exit.
    void SetExitTimeout(std::chrono::milliseconds ms) { core_.Options().exitTimeout = ms; }
    // How long one DDE transaction may take before it counts as failed.
    void SetTransactionTimeout(std::chrono::milliseconds ms) {
        core_.Options().requestTimeout = ms;
    }
    // How long the set-up of a link to a host that runs may take in all:
    // connecting, the conversations and their hot links.
    void SetSetUpTimeout(std::chrono::milliseconds ms) { core_.Options().setUpTimeout = ms; }
    // How long the hard cancel's request waits for its reply; it goes out
    // either way, and a host that has stopped answering must not hold it.
    void SetHardCancelTimeout(std::chrono::milliseconds ms) {
        core_.Options().hardCancelTimeout = ms;
    }
    // The delays of the two notices of a waiting command (the engine's
    // constants unless a test shortens them).
    void SetNoticeDelays(std::chrono::milliseconds hardCancelGrace,
                         std::chrono::milliseconds slowReply) {
        core_.Options().hardCancelGrace = hardCancelGrace;
        core_.Options().slowReply = slowReply;
    }

    // The host executable, or "" after telling the user "Could not find KORVA32".
    std::wstring TARNPath();

    // Links to the host at korvaPath ("" to search for it), starting it when it
    // does not run. True when the link is up. False at once, starting nothing,
    // while a lost link has not been cleared and when called from inside its
    // own wait for a starting host.
    bool Init(const std::wstring& korvaPath, bool visible) {
        return InitWith(korvaPath_, korvaPath, visible);
    }
    bool Init() override { return Init(std::wstring(), true); }

    // Closes the link; tells the host to exit when we started it or closeKorva,
    // then waits, bounded, for the host to close the link.
    void Uninit(bool closeKorva) { core_.Uninit(closeKorva); }
    // Waits, bounded, for a host we started to end. True when it has.
    bool WaitForHostExit(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

    // Dynamic data: click runs from the pump, after the current event, after
    // every change of DynDDE.
    void SetDynReport(std::function<void()> click) { dynReport_ = std::move(click); }
    void ClearDynReport() { dynReport_ = nullptr; }
    void ButtonClick(std::function<void()> click) { pump_.Post(std::move(click)); }

    // The host's folder ending in "\" (UTF-8), "" when the caller gave the path.
    const std::string& HostDir() const { return hostDir_; }
    DWORD HostPid() const { return hostPid_; }

    // For the DDEML callback.
    HDDEDATA OnCallback(UINT type, HCONV conv, HSZ topic, HDDEDATA data);

private:
    using Clock = std::chrono::steady_clock;

    // The core's port over DDEML.
    std::string PrepareLink() override;
    Reach Connect(LinkTime deadline, bool started, std::string& why) override;
    Reach Subscribe(LinkTime deadline, std::string& why) override;
    // The conversations' end is news from DDEML or the host's process.
    bool Connected() const override { return true; }
    void Disconnect() override { DisconnectAll(); }
    void Abandon() override;
    bool ChooseProgram() override;
    bool StartHost(bool visible, std::string& why) override;
    bool HostRuns() const override;
    void EndHost() override;
    std::string FinishStart(StartOutcome outcome, const std::string& setUpWhy) override;
    void ExitHost(std::chrono::milliseconds timeout) override;
    void Request(const std::string& command, PortCall* call,
                 std::chrono::milliseconds timeout) override;
    void Execute(const std::string& command, PortCall& call) override;
    void WaitForEvent(const std::function<bool()>& ready, std::optional<LinkTime> until) override;
    void Wake() override {} // the pump looks again after every message
    void ProcessPending() override { pump_.ProcessPending(); }
    void PostDynReport() override;
    void Tell(LinkMessageIcon icon, const std::string& title, const std::string& text) override;

    void DisconnectAll();
    void DropStrayAck(std::chrono::milliseconds linger = std::chrono::milliseconds(0));
    // The command in Windows-1252, or false with the reply that says why not.
    bool Encode(const std::string& command, std::string& cp1252, std::string& refusal);
    HSZ Atom(const std::wstring& text);
    void OnLost();
    bool PartnerGone() const;

    MessagePump& pump_;
    MessageHandler messages_;
    std::wstring service_;
    KorvaSearch search_;
    std::wstring korvaPath_; // the caller's, "" to search
    std::wstring program_;   // the host to start

    DWORD inst_ = 0;
    HSZ hszService_ = nullptr, hszControl_ = nullptr, hszAsync_ = nullptr, hszDynamic_ = nullptr,
        hszData_ = nullptr;
    HCONV control_ = nullptr, async_ = nullptr, dynamic_ = nullptr;
    HWND partnerWindow_ = nullptr;    // the host's end of the control conversation
    HANDLE partnerProcess_ = nullptr; // the host process, watched while linked
    UINT lastConnectError_ = 0;
    bool hostClosed_ = false; // the host closed a conversation

    HANDLE hostProcess_ = nullptr;
    HANDLE startErrors_ = INVALID_HANDLE_VALUE; // what a starting host says
    DWORD hostPid_ = 0;
    std::string hostDir_;
    std::function<void()> dynReport_;
};

} // namespace talvex
