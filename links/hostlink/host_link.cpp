// The host link.
#include "hostlink/host_link.h"

#include "hostlink/host_process.h"
#include "hostlink/socket_folder.h"
#include "hostlink/socket_path.h"
#include "simhost/protocol_topics.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTimer>
#include <QtDebug>

#include <algorithm>
#include <utility>

namespace talvex {

namespace {
const QString kControl = QLatin1String(simhost::kControlTopic);
const QString kAsync = QLatin1String(simhost::kAsyncTopic);
const QString kDynamic = QLatin1String(simhost::kDynamicTopic);
const QString kData = QLatin1String(simhost::kDataItem);

} // namespace

const char* const HostLink::kLinkLostText = kLinkLostReply;
const char* const HostLink::kRefusedText = "Error: KORVA refused the command: ";
const char* const HostLink::kTooLongText = "Error: command too long for KORVA";
const char* const HostLink::kStartingText = "Error: KORVA is still starting";
const char* const HostLink::kNoAnswerReason = "the host does not answer";

const std::string& HostLink::TooLongReplyText() {
    static const std::string text = "Error: KORVA's reply is too long (over " +
                                    std::to_string(HostTransport::kMaxLine) + " bytes)";
    return text;
}

// Registers a waiting command for its whole wait: the slow-reply clock starts
// with it, and the hard cancel's verdict ends with the outermost command.
class HostLink::CommandWait {
public:
    CommandWait(HostLink& link, PendingCall& call, const std::string& command) : link_(link) {
        call.serial = ++link_.commandSerial_;
        link_.commands_.push_back(&call);
        if (link_.slowReplyNotice_) {
            link_.slowSerial_ = call.serial;
            link_.slowCommand_ = command;
            link_.slowReplyClock_.start(link_.slowReplyAfterMs_);
        }
    }
    ~CommandWait() {
        link_.commands_.pop_back();
        if (!link_.commands_.empty()) return;
        link_.slowReplyClock_.stop();
        link_.hardCancelClock_.stop();
        if (link_.hardCancelUnanswered_) {
            link_.hardCancelUnanswered_ = false;
            emit link_.debugTextsChanged();
        }
    }
    CommandWait(const CommandWait&) = delete;
    CommandWait& operator=(const CommandWait&) = delete;

private:
    HostLink& link_;
};

HostLink::HostLink(QObject* parent)
    : QObject(parent), transport_(HostTransport::Handlers{
                           [this](qint64 id, const HostReply& reply) { OnReply(id, reply); },
                           [this](const QString& topic, const QString& item, std::string data) {
                               OnChanged(topic, item, std::move(data));
                           },
                           [this] { OnLost(); }, [this] { OnOversized(); }}),
      search_(HostSearch::FromEnvironment()) {
    const SocketPlace place = DefaultSocketPlace();
    SetSocketPath(place.path, place.privateFolder);
    hardCancelClock_.setSingleShot(true);
    connect(&hardCancelClock_, &QTimer::timeout, this, [this] {
        if (!Waiting(hardCancelSerial_) || hardCancelUnanswered_) return;
        hardCancelUnanswered_ = true;
        emit debugTextsChanged();
        if (hardCancelNotice_) hardCancelNotice_();
    });
    slowReplyClock_.setSingleShot(true);
    connect(&slowReplyClock_, &QTimer::timeout, this, [this] {
        if (Waiting(slowSerial_) && slowReplyNotice_) slowReplyNotice_(slowCommand_);
    });
}

HostLink::~HostLink() {
    // Leaving without Uninit closes the connection only; the host keeps running.
    transport_.Disconnect();
}

void HostLink::Tell(LinkMessageIcon icon, const QString& title, const QString& text) {
    if (messages_) {
        messages_(icon, title, text);
    } else {
        qWarning().noquote() << text;
    }
}

bool HostLink::IsLinked() const {
    return linked_ && transport_.IsConnected();
}

QString HostLink::TARNPath() {
    const QString path = FindHost(search_);
    if (path.isEmpty())
        Tell(LinkMessageIcon::Exclamation, QString(),
             QStringLiteral("Could not find KORVA32\n") + HostSearchFailure(search_));
    return path;
}

bool HostLink::Init(const QString& korvaPath, bool visible) {
    if (IsLinked()) return true;
    // Called from an event handler while Init runs (it waits for the host to
    // come up, or a message box is open): a second start would race the first.
    if (inInit_) return false;
    if (lost_) {
        // Never start a fresh host behind the user's back in the middle of a
        // run; the run command clears the loss when the next run starts.
        SetDDEBox(kLinkLostText);
        return false;
    }

    inInit_ = true;
    const bool linked = Link(korvaPath, visible);
    inInit_ = false;
    if (linked && !visible) Send("Windows(MAIN,MINIMIZED)");
    return linked;
}

namespace {
QString FolderOfProgram(const QString& program) {
    QString folder = QFileInfo(program).path();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}
} // namespace

bool HostLink::Link(const QString& korvaPath, bool visible) {
    ClearDynReport();
    hostDir_.clear();
    if (QDir::isRelativePath(socketPath_)) socketPath_ = AbsoluteSocketPath(socketPath_);

    if (!SocketIsOurs()) return false;
    if (transport_.Connect(socketPath_)) {
        // A host that runs already is linked whether or not its program can
        // be found; its folder is known only when it can.
        if (korvaPath.isEmpty()) {
            const QString found = FindHost(search_);
            if (!found.isEmpty()) hostDir_ = FolderOfProgram(found);
        }
    } else {
        QString program = korvaPath;
        if (program.isEmpty()) {
            program = TARNPath();
            if (program.isEmpty()) return false;
            // The file found is started as found: KORVA32 may name a host
            // that is not called korva32.
            hostDir_ = FolderOfProgram(program);
        }
        if (!StartAndLink(program, visible)) return false;
    }
    if (!SetUp()) {
        hostDir_.clear();
        return false;
    }
    linked_ = true;
    return true;
}

bool HostLink::SetUp() {
    // Hot links first, so no response to a later execute can pass us by. A
    // host that took the connection but does not answer them is given a
    // bounded while: a frozen host must not hold a run at its first line.
    PendingCall dynamic, async;
    const qint64 dynamicId = transport_.Advise(kDynamic, kData);
    const qint64 asyncId = transport_.Advise(kAsync, kData);
    if (dynamicId != 0) pending_[dynamicId] = &dynamic;
    if (asyncId != 0) pending_[asyncId] = &async;
    bool timedOut = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, [&] {
        timedOut = true;
        Wake();
    });
    deadline.start(setupTimeoutMs_);
    // Ctrl+C or Cancel may end this wait as they end a host's start-up.
    starting_ = true;
    startCancelled_ = false;
    WaitUntil([&] {
        return (dynamic.done && async.done) || timedOut || startCancelled_ ||
               !transport_.IsConnected();
    });
    starting_ = false;
    pending_.erase(dynamicId);
    pending_.erase(asyncId);
    if (dynamic.done && async.done) return true;

    const bool closed = !transport_.IsConnected();
    transport_.Abort();
    if (startedHost_) {
        // A host we started that cannot be linked is not left behind.
        EndHostProcess(hostPid_);
        startedHost_ = false;
        hostPid_ = 0;
    }
    if (startCancelled_) return false;
    Tell(LinkMessageIcon::Critical, QStringLiteral("Error"),
         QStringLiteral("Could not initialize KORVA DDE link\n") +
             (closed ? QStringLiteral("the host closed the connection")
                     : QString::fromLatin1(kNoAnswerReason)));
    return false;
}

bool HostLink::StartAndLink(const QString& program, bool visible) {
    // What the host writes to standard error while it starts is the reason
    // we give when it does not come up; afterwards nobody reads it.
    QTemporaryFile errors(QDir::tempPath() + QStringLiteral("/talvex-korva-XXXXXX"));
    const bool capture = errors.open();
    const HostStart start =
        StartHostDetached(program, socketPath_, visible, capture ? errors.fileName() : QString());
    if (start.pid == 0) {
        Tell(LinkMessageIcon::Critical, QStringLiteral("Error"),
             QStringLiteral("Could not run KORVA\n") + start.error);
        return false;
    }
    startedHost_ = true;
    hostPid_ = start.pid;
    starting_ = true;
    startCancelled_ = false;
    const LinkWait outcome = WaitForLink(start.pid);
    starting_ = false;
    if (outcome == LinkWait::Linked) return true;

    // A host that did not come up is not left running behind the user's back.
    EndHostProcess(start.pid);
    startedHost_ = false;
    hostPid_ = 0;
    if (outcome == LinkWait::Cancelled) return false;

    QString reason;
    if (capture) {
        errors.seek(0);
        for (const QByteArray& line : errors.read(4096).split('\n')) {
            reason = QString::fromUtf8(line.trimmed());
            if (!reason.isEmpty()) break;
        }
    }
    if (transport_.PeerRefused()) reason = transport_.ConnectError();
    if (reason.isEmpty()) {
        reason = outcome == LinkWait::HostEnded
                     ? QStringLiteral("the host ended without listening on ") + socketPath_
                     : socketPath_ + QStringLiteral(": ") + transport_.ConnectError();
    }
    Tell(LinkMessageIcon::Critical, QStringLiteral("Error"),
         QStringLiteral("Could not initialize KORVA DDE link\n") + reason);
    return false;
}

bool HostLink::SocketIsOurs() {
    // Another user must not answer in the host's place: the folder of the
    // default path is the user's alone, and a host that runs as another user
    // is neither used nor replaced by one we start.
    QString refusal;
    if (!socketFolder_.isEmpty())
        refusal = QString::fromStdString(PrepareSocketFolder(
            QFile::encodeName(socketFolder_).toStdString(), transport_.PeerCheck().user));
    if (refusal.isEmpty() && !transport_.Connect(socketPath_) && transport_.PeerRefused())
        refusal = transport_.ConnectError();
    if (refusal.isEmpty()) return true;
    Tell(LinkMessageIcon::Critical, QStringLiteral("Error"),
         QStringLiteral("Could not initialize KORVA DDE link\n") + refusal);
    return false;
}

HostLink::LinkWait HostLink::WaitForLink(qint64 pid) {
    // A freshly started host needs a moment before it listens; give it a
    // bounded while, keeping events flowing, and stop early if it died.
    const QDeadlineTimer deadline(linkTimeoutMs_);
    for (;;) {
        if (startCancelled_) return LinkWait::Cancelled;
        if (transport_.Connect(socketPath_)) return LinkWait::Linked;
        if (!ProcessAlive(pid))
            return transport_.Connect(socketPath_) ? LinkWait::Linked : LinkWait::HostEnded;
        if (deadline.hasExpired()) return LinkWait::TimedOut;
        QEventLoop pause;
        startPause_ = &pause;
        QTimer::singleShot(std::min<qint64>(50, std::max<qint64>(1, deadline.remainingTime())),
                           &pause, &QEventLoop::quit);
        pause.exec();
        startPause_ = nullptr;
    }
}

void HostLink::CancelStart() {
    if (!starting_) return;
    startCancelled_ = true;
    if (startPause_) startPause_->quit();
    Wake();
}

void HostLink::Uninit(bool closeKorva) {
    if (starting_) {
        // Ending in the middle of a start-up: the host we began goes too.
        CancelStart();
        EndHostProcess(hostPid_);
    }
    if (IsLinked()) {
        linked_ = false;
        if (closeKorva || startedHost_) {
            transport_.Execute(kControl, "Exit");
            // The host closes our connection when it has read Exit, and ends
            // unless other clients still use it: we wait for our connection,
            // not for the host.
            transport_.WaitForClose(exitTimeoutMs_);
        }
        transport_.Disconnect();
    }
    linked_ = false;
    lost_ = false;
    dropped_ = false;
    Wake();
}

bool HostLink::WaitForHostExit(int timeoutMs) {
    if (hostPid_ == 0) return true;
    const QDeadlineTimer deadline(timeoutMs);
    while (ProcessAlive(hostPid_)) {
        if (deadline.hasExpired()) return false;
        QEventLoop pause;
        QTimer::singleShot(20, &pause, &QEventLoop::quit);
        pause.exec();
    }
    return true;
}

bool HostLink::EnsureLinked() {
    if (IsLinked()) return true;
    if (inInit_) {
        SetDDEBox(kStartingText);
        return false;
    }
    return Init(QString(), true); // a lost link answers with the loss
}

void HostLink::ProcessEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void HostLink::Wake() {
    for (QEventLoop* loop : waiters_)
        loop->quit();
}

void HostLink::WaitUntil(const std::function<bool()>& done) {
    // Sleeps in an event loop; every reply, notification or loss wakes all
    // waiters (nested ones included) to look at their condition again.
    while (!done()) {
        QEventLoop loop;
        waiters_.push_back(&loop);
        loop.exec();
        waiters_.erase(std::find(waiters_.begin(), waiters_.end(), &loop));
    }
}

void HostLink::Send(const std::string& s) {
    if (!EnsureLinked()) return;
    sendBox_ = s;
    SetDDEBox(std::string());
    PendingCall call;
    const qint64 id = transport_.Request(kControl, s);
    if (id == 0) {
        SetDDEBox(transport_.IsConnected() ? kTooLongText : kLinkLostText);
        return;
    }
    pending_[id] = &call;
    {
        const CommandWait wait(*this, call, s);
        WaitUntil([&] { return call.done || call.tooLong || !IsLinked(); });
    }
    pending_.erase(id);
    if (call.done) {
        // A refused request leaves the response empty, as a failed request always did.
        if (!call.reply.isError) SetDDEBox(std::move(call.reply.data));
    } else if (call.tooLong) {
        SetDDEBox(TooLongReplyText());
    } else {
        SetDDEBox(NoReplyText());
    }
}

void HostLink::HardCancel() {
    if (!EnsureLinked()) return;
    SetSendBox("hardcancel");
    // Its reply is nobody's: a host that answers it ends the command it works
    // on, and one that does not must not hold the user's cancel.
    if (transport_.Request(kControl, "hardcancel") == 0) return;
    if (commands_.empty() || hardCancelUnanswered_ || hardCancelClock_.isActive()) return;
    hardCancelSerial_ = commands_.front()->serial;
    hardCancelClock_.start(hardCancelGraceMs_);
}

void HostLink::DropLink() {
    hardCancelClock_.stop();
    hardCancelUnanswered_ = false;
    if (!linked_) return;
    // No Exit: the host is left as it is, frozen or busy.
    transport_.Abort();
    linked_ = false;
    lost_ = true;
    dropped_ = true;
    Wake();
    emit debugTextsChanged();
}

bool HostLink::Waiting(std::uint64_t serial) const {
    return std::any_of(commands_.begin(), commands_.end(),
                       [serial](const PendingCall* call) { return call->serial == serial; });
}

void HostLink::OnOversized() {
    // The line is gone unread, so whose it was cannot be told: it is taken as
    // the reply of the command waiting now, which would otherwise wait for ever.
    if (commands_.empty()) return;
    commands_.back()->tooLong = true;
    Wake();
}

void HostLink::SendA(const std::string& s) {
    if (!EnsureLinked()) return;
    sendBox_ = s;
    SetDDEBox(std::string());
    SetDDEAsync(std::string());
    SetDynDDE(std::string());
    ProcessEvents();

    PendingCall call;
    const qint64 id = IsLinked() ? transport_.Execute(kControl, s) : 0;
    if (id == 0) {
        SetDDEBox(IsLinked() ? kTooLongText : kLinkLostText);
        return;
    }
    pending_[id] = &call;
    const CommandWait wait(*this, call, s);
    ProcessEvents();
    // The response is the first non-empty push after the execute's own reply;
    // the host sends them in that order, so anything earlier is left over from
    // before. An empty response does not count: every execute is answered
    // with text.
    const auto answered = [&] {
        return call.done && !call.reply.isError && asyncChanges_ > call.asyncAtReply &&
               !ddeAsync_.empty();
    };
    WaitUntil([&] {
        return answered() || (call.done && call.reply.isError) || call.tooLong || !IsLinked();
    });
    pending_.erase(id);

    if (answered()) {
        SetDDEBox(ddeAsync_);
    } else if (call.done && call.reply.isError) {
        // No response follows a refused execute; waiting on would never end.
        SetDDEBox(kRefusedText + call.reply.errorMessage.toStdString());
    } else if (call.tooLong) {
        SetDDEBox(TooLongReplyText());
    } else {
        SetDDEBox(NoReplyText());
    }
    ProcessEvents();
}

void HostLink::OnReply(qint64 id, const HostReply& reply) {
    const auto it = pending_.find(id);
    if (it == pending_.end()) return; // a call nobody waits for any more
    it->second->done = true;
    it->second->reply = reply;
    it->second->asyncAtReply = asyncChanges_;
    Wake();
}

void HostLink::OnChanged(const QString& topic, const QString& item, std::string data) {
    if (item != kData) return;
    if (topic == kAsync) {
        ++asyncChanges_;
        SetDDEAsync(std::move(data));
        Wake();
    } else if (topic == kDynamic) {
        SetDynDDE(std::move(data));
    }
}

void HostLink::OnLost() {
    if (!linked_) {
        Wake(); // the set-up's wait looks at the connection itself
        return;
    }
    linked_ = false;
    lost_ = true;
    Wake();
    emit debugTextsChanged();
}

void HostLink::SetSendBox(const std::string& text) {
    sendBox_ = text;
    emit debugTextsChanged();
}

void HostLink::SetDDEBox(std::string text) {
    ddeBox_ = std::move(text);
    emit debugTextsChanged();
}

void HostLink::SetDDEAsync(std::string text) {
    ddeAsync_ = std::move(text);
    emit debugTextsChanged();
}

void HostLink::SetDynDDE(std::string text) {
    if (text == dynDDE_) return; // only a change is news
    dynDDE_ = std::move(text);
    emit debugTextsChanged();
    dynReport_.Post();
}

void HostLink::SetDynReport(QObject* form, std::function<void()> click) {
    dynReport_.Set(form, std::move(click));
}

void HostLink::ClearDynReport() {
    dynReport_.Clear();
}

void HostLink::ButtonClick(QObject* form, std::function<void()> click) {
    talvex::ButtonClick(form, std::move(click));
}

} // namespace talvex
