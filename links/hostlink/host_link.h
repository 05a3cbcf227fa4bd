// The link to the host: finds and starts it, keeps the control, asynchronous
// response and dynamic data conversations over one transport, sends
// commands and hands out their responses and the fields inside them.
#pragma once

#include "hostlink/dyn_report.h"
#include "hostlink/host_search.h"
#include "hostlink/host_transport.h"
#include "linkcore/core_link.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QEventLoop;
class QTemporaryFile;

namespace talvex {

class HostLink : public QObject, private LinkPort, public CoreLink {
    Q_OBJECT
public:
    // Shows a message to the user. An empty title means the front end's own.
    using MessageHandler =
        std::function<void(LinkMessageIcon icon, const QString& title, const QString& text)>;

    static constexpr const char* kNoAnswerReason = talvex::kNoAnswerReason;
    // The reply text when the host's reply exceeded the line cap and was refused.
    static const std::string& TooLongReplyText();

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
    void SetLinkTimeout(int ms) { core_.Options().linkTimeout = std::chrono::milliseconds(ms); }
    // How long Uninit waits for the host to close the connection after Exit.
    void SetExitTimeout(int ms) { core_.Options().exitTimeout = std::chrono::milliseconds(ms); }
    // How long the host may take to answer the link's set-up once connected.
    void SetSetupTimeout(int ms) { core_.Options().setUpTimeout = std::chrono::milliseconds(ms); }
    // How long a command may go on after a hard cancel before the host counts
    // as not answering, and how long a command waits before the slow-reply
    // notice. Tests shorten them.
    void SetHardCancelGrace(int ms) {
        core_.Options().hardCancelGrace = std::chrono::milliseconds(ms);
    }
    void SetSlowReplyAfter(int ms) { core_.Options().slowReply = std::chrono::milliseconds(ms); }

    // The host executable, or "" after telling the user "Could not find KORVA32".
    QString TARNPath();

    // Links to the host at korvaPath ("" to search for it), starting it when it
    // does not run. True when the link is up. False at once, starting nothing,
    // while a lost link has not been cleared and when called from inside its
    // own wait for a starting host.
    bool Init(const QString& korvaPath, bool visible) {
        return InitWith(korvaPath_, korvaPath, visible);
    }
    bool Init() override { return Init(QString(), true); }

    // Closes the link; tells the host to exit when we started it or closeKorva,
    // and then waits, bounded, until the host has closed our connection (a
    // host that other clients still use goes on serving them).
    void Uninit(bool closeKorva) { core_.Uninit(closeKorva); }
    // Waits, bounded, for a host we started to end. True when it has.
    bool WaitForHostExit(int timeoutMs = 2000);

    // Dynamic data: click runs, posted, after every change of DynDDE.
    void SetDynReport(QObject* form, std::function<void()> click);
    void ClearDynReport();
    static void ButtonClick(QObject* form, std::function<void()> click);

    const QString& HostDir() const { return hostDir_; }
    qint64 HostPid() const { return hostPid_; }
    const HostTransport& Transport() const { return transport_; }

signals:
    // Any of the debug window's texts changed. It may be emitted while a
    // message from the host is being read: a slot that talks to the host
    // itself must be connected with Qt::QueuedConnection.
    void debugTextsChanged();

private:
    // The core's port over the local socket.
    std::string PrepareLink() override;
    Reach Connect(LinkTime deadline, bool started, std::string& why) override;
    Reach Subscribe(LinkTime deadline, std::string& why) override;
    bool Connected() const override { return transport_.IsConnected(); }
    void Disconnect() override { transport_.Disconnect(); }
    void Abandon() override { transport_.Abort(); }
    bool ChooseProgram() override;
    bool StartHost(bool visible, std::string& why) override;
    bool HostRuns() const override;
    void EndHost() override;
    std::string FinishStart(StartOutcome outcome, const std::string& setUpWhy) override;
    void ExitHost(std::chrono::milliseconds timeout) override;
    void Request(const std::string& command, PortCall* call,
                 std::chrono::milliseconds timeout) override;
    void Execute(const std::string& command, PortCall& call) override;
    void Forget(PortCall& call) override;
    void WaitForEvent(const std::function<bool()>& ready, std::optional<LinkTime> until) override;
    void Wake() override;
    void ProcessPending() override;
    void PostDynReport() override { dynReport_.Post(); }
    void Tell(LinkMessageIcon icon, const std::string& title, const std::string& text) override;
    void TextsChanged() override { emit debugTextsChanged(); }

    void OnReply(qint64 id, const HostReply& reply);
    void OnChanged(const QString& topic, const QString& item, std::string data);
    void Await(qint64 id, PortCall& call);

    HostTransport transport_;
    MessageHandler messages_;
    QString socketPath_;
    QString socketFolder_;
    HostSearch search_;
    QString korvaPath_;                           // the caller's, "" to search
    QString program_;                             // the host to start
    std::unique_ptr<QTemporaryFile> startErrors_; // what a starting host says
    qint64 hostPid_ = 0;
    QString hostDir_;
    DynReport dynReport_;

    std::map<qint64, PortCall*> pending_;
    std::vector<QEventLoop*> waiters_;
};

} // namespace talvex
