// The link to the host: finds and starts it, keeps the control, asynchronous
// response and dynamic data conversations over one transport, sends
// commands and hands out their responses and the fields inside them.
#pragma once

#include "engine/host_interface.h"
#include "hostfields/field_pickers.h"
#include "hostlink/dyn_report.h"
#include "hostlink/host_search.h"
#include "hostlink/host_transport.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QEventLoop;

namespace talvex {

enum class LinkMessageIcon { Exclamation, Critical };

class HostLink : public QObject, public HostInterface, public FieldPickers {
    Q_OBJECT
public:
    // Shows a message to the user. An empty title means the front end's own.
    using MessageHandler =
        std::function<void(LinkMessageIcon icon, const QString& title, const QString& text)>;

    // The reply text when the link broke while we waited; contains "error".
    static const char* const kLinkLostText;
    // The reply text when the host turned down an execute; the host's message follows.
    static const char* const kRefusedText;
    // The reply text for a command too long for one protocol line.
    static const char* const kTooLongText;
    // The reply text for a command made while Init waits for the host to come up.
    static const char* const kStartingText;
    // The reply text when the host's reply exceeded the line cap and was refused.
    static const std::string& TooLongReplyText();
    // Why the set-up failed when the host accepted the connection but never
    // answered on it.
    static const char* const kNoAnswerReason;

    explicit HostLink(QObject* parent = nullptr);
    ~HostLink() override;

    // Configuration; the defaults follow the environment.
    void SetMessageHandler(MessageHandler handler) { messages_ = std::move(handler); }
    // A path the caller names is used as named; one in a folder of the user's
    // own (the default without a runtime folder) names that folder too, which
    // is made when missing and refused when another user could write to it.
    void SetSocketPath(const QString& path, const QString& privateFolder = QString()) {
        socketPath_ = path;
        socketFolder_ = privateFolder;
    }
    // Whose host we link to; tests set another user's id for the peer.
    void SetPeerUserCheck(PeerUserCheck check) { transport_.SetPeerUserCheck(std::move(check)); }
    const QString& SocketPath() const { return socketPath_; }
    void SetHostSearch(const HostSearch& search) { search_ = search; }
    // How long a host we started may take to accept the link.
    void SetLinkTimeout(int ms) { linkTimeoutMs_ = ms; }
    // How long Uninit waits for the host to close the connection after Exit.
    void SetExitTimeout(int ms) { exitTimeoutMs_ = ms; }
    // How long the host may take to answer the link's set-up once connected.
    void SetSetupTimeout(int ms) { setupTimeoutMs_ = ms; }
    // How long a command may go on after a hard cancel before the host counts
    // as not answering, and how long a command waits before the slow-reply
    // notice. Tests shorten them.
    void SetHardCancelGrace(int ms) { hardCancelGraceMs_ = ms; }
    void SetSlowReplyAfter(int ms) { slowReplyAfterMs_ = ms; }

    // The host executable, or "" after telling the user "Could not find KORVA32".
    QString TARNPath();

    // Links to the host at korvaPath ("" to search for it), starting it when it
    // does not run. True when the link is up. False at once, starting nothing,
    // while a lost link has not been cleared and when called from inside its
    // own wait for a starting host.
    bool Init(const QString& korvaPath, bool visible);
    bool Init() override { return Init(QString(), true); }

    // True while Init waits for a host it started to come up.
    bool Starting() const { return starting_; }
    // Ends that wait (the user cancelled): Init returns false without a
    // message and ends the host process it started.
    void CancelStart();
    // The last start-up ended by CancelStart.
    bool StartCancelled() const { return startCancelled_; }

    // Closes the link; tells the host to exit when we started it or closeKorva,
    // and then waits, bounded, until the host has closed our connection (a
    // host that other clients still use goes on serving them).
    void Uninit(bool closeKorva);
    // Waits, bounded, for a host we started to end. True when it has.
    bool WaitForHostExit(int timeoutMs = 2000);

    void Send(const std::string& s) override;
    void SendA(const std::string& s) override;
    std::string ReturnStr() const override { return ddeBox_; }
    bool LinkLost() const override { return lost_; }
    void ClearLinkLoss() override {
        lost_ = false;
        dropped_ = false;
    }
    void HardCancel() override;
    bool HardCancelUnanswered() const override { return hardCancelUnanswered_; }
    void SetHardCancelNotice(std::function<void()> notice) override {
        hardCancelNotice_ = std::move(notice);
    }
    void SetSlowReplyNotice(std::function<void(const std::string& command)> notice) override {
        slowReplyNotice_ = std::move(notice);
    }
    void DropLink() override;
    bool IsLinked() const;

    // Kept for callers of the old interface; they do nothing.
    void passbyerror() {}
    void Doddle() {}

    // Dynamic data: click runs, posted, after every change of DynDDE.
    void SetDynReport(QObject* form, std::function<void()> click);
    void ClearDynReport();
    std::string DynReturn() const { return dynDDE_; }
    static void ButtonClick(QObject* form, std::function<void()> click);

    // State shown by the link's debug window.
    const std::string& SendBox() const { return sendBox_; }
    void SetSendBox(const std::string& text);
    const std::string& DDEBox() const override { return ddeBox_; }
    const std::string& DDEAsync() const { return ddeAsync_; }
    const std::string& DynDDE() const override { return dynDDE_; }
    const QString& HostDir() const { return hostDir_; }
    bool StartedHost() const { return startedHost_; }
    qint64 HostPid() const { return hostPid_; }
    const HostTransport& Transport() const { return transport_; }

signals:
    // Any of the debug window's texts changed. It may be emitted while a
    // message from the host is being read: a slot that talks to the host
    // itself must be connected with Qt::QueuedConnection.
    void debugTextsChanged();

private:
    struct PendingCall {
        bool done = false;
        bool tooLong = false; // the host's reply was refused for its size
        HostReply reply;
        std::uint64_t asyncAtReply = 0; // asyncChanges_ when the reply came
        std::uint64_t serial = 0;       // which command this is, for the notices
    };
    // While a command waits: the notices' clocks run, and a refused
    // over-long line is taken as its reply.
    class CommandWait;

    enum class LinkWait { Linked, HostEnded, TimedOut, Cancelled };

    bool EnsureLinked();
    bool Link(const QString& korvaPath, bool visible);
    bool SetUp();
    bool StartAndLink(const QString& program, bool visible);
    LinkWait WaitForLink(qint64 pid);
    void WaitUntil(const std::function<bool()>& done);
    void Wake();
    void ProcessEvents();
    void Tell(LinkMessageIcon icon, const QString& title, const QString& text);
    bool SocketIsOurs();
    void SetDDEBox(std::string text);
    void SetDDEAsync(std::string text);
    void SetDynDDE(std::string text);
    void OnReply(qint64 id, const HostReply& reply);
    void OnChanged(const QString& topic, const QString& item, std::string data);
    void OnLost();
    void OnOversized();
    bool Waiting(std::uint64_t serial) const;
    // The reply a wait that ended without its answer gives.
    const char* NoReplyText() const { return dropped_ ? kLinkDroppedReply : kLinkLostText; }

    HostTransport transport_;
    MessageHandler messages_;
    QString socketPath_;
    QString socketFolder_;
    HostSearch search_;
    int linkTimeoutMs_ = 10000;
    int exitTimeoutMs_ = 2000;
    int setupTimeoutMs_ = 10000;
    int hardCancelGraceMs_ = kHardCancelGraceMs;
    int slowReplyAfterMs_ = kSlowReplyNoticeMs;

    bool linked_ = false;
    bool lost_ = false;
    bool dropped_ = false; // the user gave up on a host that did not answer
    bool inInit_ = false;
    bool starting_ = false;
    bool startCancelled_ = false;
    QEventLoop* startPause_ = nullptr; // the start-up wait's current pause
    bool startedHost_ = false;
    qint64 hostPid_ = 0;
    QString hostDir_;

    std::string sendBox_, ddeBox_, ddeAsync_, dynDDE_;
    std::uint64_t asyncChanges_ = 0; // pushes on the asynchronous topic so far
    DynReport dynReport_;

    std::map<qint64, PendingCall*> pending_;
    std::vector<QEventLoop*> waiters_;

    std::vector<PendingCall*> commands_; // the commands waiting, innermost last
    std::uint64_t commandSerial_ = 0;
    bool hardCancelUnanswered_ = false;
    std::uint64_t hardCancelSerial_ = 0;
    QTimer hardCancelClock_;
    std::function<void()> hardCancelNotice_;
    std::uint64_t slowSerial_ = 0;
    std::string slowCommand_;
    QTimer slowReplyClock_;
    std::function<void(const std::string& command)> slowReplyNotice_;
};

} // namespace talvex
