// The link to the host on Windows, over DDEML: finds and starts korva32.exe,
// keeps the control, asynchronous response and dynamic data conversations,
// sends commands and hands out their responses and the fields inside them.
// Texts are UTF-8 here and Windows-1252 on the wire.
#pragma once

#include "ddelink/korva_search.h"
#include "ddelink/message_pump.h"
#include "engine/host_interface.h"
#include "hostfields/field_pickers.h"

#include "ddelink/win32.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace talvex {

enum class DdeMessageIcon { Exclamation, Critical };

class DdeHostLink : public HostInterface, public FieldPickers {
public:
    // Shows a message to the user (UTF-8). An empty title means the front end's own.
    using MessageHandler =
        std::function<void(DdeMessageIcon icon, const std::string& title, const std::string& text)>;

    static const char* const kLinkLostText;
    // The reply text when the host turned down an execute.
    static const char* const kRefusedText;
    // The reply text for a request too long to be a DDE item name.
    static const char* const kTooLongText;
    // The reply text for a command made while Init waits for the host to come up.
    static const char* const kStartingText;
    // The start of the reply text for a command with a character that has no
    // place in Windows-1252; the character follows.
    static const char* const kUnsendableText;

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
    void SetLinkTimeout(std::chrono::milliseconds ms) { linkTimeout_ = ms; }
    // How long Uninit waits for the host to close the link after Exit.
    void SetExitTimeout(std::chrono::milliseconds ms) { exitTimeout_ = ms; }
    // How long one DDE transaction may take before it counts as failed.
    void SetTransactionTimeout(std::chrono::milliseconds ms) { transactionTimeout_ = ms; }
    // How long the set-up of a link to a host that runs may take in all:
    // connecting, the conversations and their hot links.
    void SetSetUpTimeout(std::chrono::milliseconds ms) { setUpTimeout_ = ms; }
    // How long the hard cancel's request waits for its reply; it goes out
    // either way, and a host that has stopped answering must not hold it.
    void SetHardCancelTimeout(std::chrono::milliseconds ms) { hardCancelTimeout_ = ms; }
    // The delays of the two notices of a waiting command (the engine's
    // constants unless a test shortens them).
    void SetNoticeDelays(std::chrono::milliseconds hardCancelGrace,
                         std::chrono::milliseconds slowReply) {
        hardCancelGrace_ = hardCancelGrace;
        slowReply_ = slowReply;
    }

    // The host executable, or "" after telling the user "Could not find KORVA32".
    std::wstring TARNPath();

    // Links to the host at korvaPath ("" to search for it), starting it when it
    // does not run. True when the link is up. False at once, starting nothing,
    // while a lost link has not been cleared and when called from inside its
    // own wait for a starting host.
    bool Init(const std::wstring& korvaPath, bool visible);
    bool Init() override { return Init(std::wstring(), true); }

    // True while Init links: while it connects to a host that runs, and while
    // it waits for a host it started to come up.
    bool Starting() const { return starting_; }
    // Ends that wait (the user cancelled): Init returns false without a
    // message and ends the host process it started.
    void CancelStart();
    bool StartCancelled() const { return startCancelled_; }

    // Closes the link; tells the host to exit when we started it or closeKorva,
    // then waits, bounded, for the host to close the link.
    void Uninit(bool closeKorva);
    // Waits, bounded, for a host we started to end. True when it has.
    bool WaitForHostExit(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

    void Send(const std::string& s) override;
    void SendA(const std::string& s) override;
    void HardCancel() override;
    bool HardCancelUnanswered() const override { return hardCancelUnanswered_; }
    void SetHardCancelNotice(std::function<void()> notice) override {
        hardCancelNotice_ = std::move(notice);
    }
    void SetSlowReplyNotice(std::function<void(const std::string& command)> notice) override {
        slowReplyNotice_ = std::move(notice);
    }
    void DropLink() override;
    std::string ReturnStr() const override { return ddeBox_; }
    bool LinkLost() const override { return lost_; }
    void ClearLinkLoss() override {
        lost_ = false;
        dropped_ = false;
    }
    bool IsLinked() const { return linked_; }

    // Kept for callers of the old interface; they do nothing.
    void passbyerror() {}
    void Doddle() {}

    // Dynamic data: click runs from the pump, after the current event, after
    // every change of DynDDE.
    void SetDynReport(std::function<void()> click) { dynReport_ = std::move(click); }
    void ClearDynReport() { dynReport_ = nullptr; }
    std::string DynReturn() const { return dynDDE_; }
    void ButtonClick(std::function<void()> click) { pump_.Post(std::move(click)); }

    // State shown by a debug view.
    const std::string& SendBox() const { return sendBox_; }
    void SetSendBox(const std::string& text) { sendBox_ = text; }
    const std::string& DDEBox() const override { return ddeBox_; }
    const std::string& DDEAsync() const { return ddeAsync_; }
    const std::string& DynDDE() const override { return dynDDE_; }
    // The host's folder ending in "\" (UTF-8), "" when the caller gave the path.
    const std::string& HostDir() const { return hostDir_; }
    bool StartedHost() const { return startedHost_; }
    DWORD HostPid() const { return hostPid_; }

    // For the DDEML callback.
    HDDEDATA OnCallback(UINT type, HCONV conv, HSZ topic, HDDEDATA data);

private:
    using Clock = std::chrono::steady_clock;
    enum class LinkWait { Linked, HostEnded, TimedOut, NoAnswer, Cancelled };
    // How a try to link to a host that runs ended.
    enum class Connect { Linked, NoHost, NoAnswer };

    bool EnsureLinked();
    bool Link(const std::wstring& korvaPath, bool visible);
    // `probe`: ask from a thread of our own first whether a host answers at
    // all (DDEML's connect would wait for a hung one without a limit).
    Connect ConnectAll(Clock::time_point deadline, bool probe);
    bool StartAndLink(const std::wstring& program, bool visible);
    void Request(const std::string& s, std::chrono::milliseconds timeout);
    void WaitForResponse(const std::string& command, const std::function<bool()>& answered);
    void AbandonConversations();
    LinkWait WaitForLink();
    void EndStartedProcess();
    void DisconnectAll();
    void DropStrayAck(std::chrono::milliseconds linger = std::chrono::milliseconds(0));
    bool Encode(const std::string& command, std::string& cp1252);
    HSZ Atom(const std::wstring& text);
    void Tell(DdeMessageIcon icon, const std::string& title, const std::string& text);
    void SetDynDDE(std::string text);
    void OnLost();
    bool PartnerGone() const;

    MessagePump& pump_;
    MessageHandler messages_;
    std::wstring service_;
    KorvaSearch search_;
    std::chrono::milliseconds linkTimeout_{10000};
    std::chrono::milliseconds exitTimeout_{2000};
    std::chrono::milliseconds transactionTimeout_{60000};
    std::chrono::milliseconds setUpTimeout_{10000};
    std::chrono::milliseconds hardCancelTimeout_{300};
    std::chrono::milliseconds hardCancelGrace_{kHardCancelGraceMs};
    std::chrono::milliseconds slowReply_{kSlowReplyNoticeMs};

    DWORD inst_ = 0;
    HSZ hszService_ = nullptr, hszControl_ = nullptr, hszAsync_ = nullptr, hszDynamic_ = nullptr,
        hszData_ = nullptr;
    HCONV control_ = nullptr, async_ = nullptr, dynamic_ = nullptr;
    HWND partnerWindow_ = nullptr;    // the host's end of the control conversation
    HANDLE partnerProcess_ = nullptr; // the host process, watched while linked
    UINT lastConnectError_ = 0;
    std::string setUpFailure_; // why a host that runs could not be linked
    bool hostClosed_ = false;  // the host closed a conversation

    bool linked_ = false;
    bool lost_ = false;
    bool dropped_ = false; // the user gave up on the host: the loss is ours
    bool inInit_ = false;
    bool starting_ = false;
    bool startCancelled_ = false;
    bool startedHost_ = false;
    HANDLE hostProcess_ = nullptr;
    DWORD hostPid_ = 0;
    std::string hostDir_;

    std::string sendBox_, ddeBox_, ddeAsync_, dynDDE_;
    std::uint64_t asyncChanges_ = 0; // pushes on the asynchronous topic so far
    std::function<void()> dynReport_;

    // The command SendA waits for, and what the user has been told of it.
    bool waiting_ = false;
    std::optional<Clock::time_point> hardCancelAt_; // the first hard cancel while it waits
    bool hardCancelUnanswered_ = false;
    std::function<void()> hardCancelNotice_;
    std::function<void(const std::string&)> slowReplyNotice_;
};

} // namespace talvex
