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

QString FolderOfProgram(const QString& program) {
    QString folder = QFileInfo(program).path();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

} // namespace

const std::string& HostLink::TooLongReplyText() {
    static const std::string text = "Error: KORVA's reply is too long (over " +
                                    std::to_string(HostTransport::kMaxLine) + " bytes)";
    return text;
}

HostLink::HostLink(QObject* parent)
    : QObject(parent), CoreLink(*this, LinkCoreOptions{}),
      transport_(HostTransport::Handlers{
          [this](qint64 id, const HostReply& reply) { OnReply(id, reply); },
          [this](const QString& topic, const QString& item, std::string data) {
              OnChanged(topic, item, std::move(data));
          },
          [this] { core_.OnLost(); }, [this] { core_.OnOversizedReply(TooLongReplyText()); }}),
      search_(HostSearch::FromEnvironment()) {
    const SocketPlace place = DefaultSocketPlace();
    SetSocketPath(place.path, place.privateFolder);
}

HostLink::~HostLink() {
    // Leaving without Uninit closes the connection only; the host keeps running.
    transport_.Disconnect();
}

void HostLink::Tell(LinkMessageIcon icon, const std::string& title, const std::string& text) {
    if (messages_) {
        messages_(icon, QString::fromStdString(title), QString::fromStdString(text));
    } else {
        qWarning().noquote() << QString::fromStdString(text);
    }
}

QString HostLink::TARNPath() {
    const QString path = FindHost(search_);
    if (path.isEmpty()) core_.TellHostNotFound(HostSearchFailure(search_).toStdString());
    return path;
}

std::string HostLink::PrepareLink() {
    ClearDynReport();
    hostDir_.clear();
    if (QDir::isRelativePath(socketPath_)) socketPath_ = AbsoluteSocketPath(socketPath_);
    // Another user must not answer in the host's place: the folder of the
    // default path is the user's alone, and a host that runs as another user
    // is neither used nor replaced by one we start.
    QString refusal;
    if (!socketFolder_.isEmpty())
        refusal = QString::fromStdString(PrepareSocketFolder(
            QFile::encodeName(socketFolder_).toStdString(), transport_.PeerCheck().user));
    if (refusal.isEmpty() && !transport_.Connect(socketPath_) && transport_.PeerRefused())
        refusal = transport_.ConnectError();
    return refusal.toStdString();
}

LinkPort::Reach HostLink::Connect(LinkTime, bool started, std::string&) {
    if (!transport_.Connect(socketPath_)) return Reach::NoHost;
    // A host that runs already is linked whether or not its program can be
    // found; its folder is known only when it can.
    if (!started && korvaPath_.isEmpty()) {
        const QString found = FindHost(search_);
        if (!found.isEmpty()) hostDir_ = FolderOfProgram(found);
    }
    return Reach::Linked;
}

LinkPort::Reach HostLink::Subscribe(LinkTime deadline, std::string& why) {
    PortCall dynamic, async;
    const qint64 dynamicId = transport_.Advise(kDynamic, kData);
    const qint64 asyncId = transport_.Advise(kAsync, kData);
    if (dynamicId != 0) pending_[dynamicId] = &dynamic;
    if (asyncId != 0) pending_[asyncId] = &async;
    const auto done = [&] {
        return dynamic.state != PortCall::State::Waiting && async.state != PortCall::State::Waiting;
    };
    while (!done() && !core_.StartCancelled() && transport_.IsConnected() &&
           std::chrono::steady_clock::now() < deadline)
        WaitForEvent([&] { return done() || core_.StartCancelled() || !transport_.IsConnected(); },
                     deadline);
    pending_.erase(dynamicId);
    pending_.erase(asyncId);
    if (done()) return Reach::Linked;

    why = transport_.IsConnected() ? kNoAnswerReason : "the host closed the connection";
    transport_.Abort();
    hostDir_.clear();
    return Reach::Failed;
}

bool HostLink::ChooseProgram() {
    program_ = korvaPath_;
    if (!program_.isEmpty()) return true;
    program_ = TARNPath();
    if (program_.isEmpty()) return false;
    // The file found is started as found: KORVA32 may name a host that is
    // not called korva32.
    hostDir_ = FolderOfProgram(program_);
    return true;
}

bool HostLink::StartHost(bool visible, std::string& why) {
    // What the host writes to standard error while it starts is the reason
    // we give when it does not come up; afterwards nobody reads it.
    startErrors_ =
        std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/talvex-korva-XXXXXX"));
    if (!startErrors_->open()) startErrors_.reset();
    const HostStart start = StartHostDetached(program_, socketPath_, visible,
                                              startErrors_ ? startErrors_->fileName() : QString());
    if (start.pid == 0) {
        startErrors_.reset();
        why = start.error.toStdString();
        return false;
    }
    hostPid_ = start.pid;
    return true;
}

bool HostLink::HostRuns() const {
    return ProcessAlive(hostPid_);
}

void HostLink::EndHost() {
    EndHostProcess(hostPid_);
    hostPid_ = 0;
}

std::string HostLink::FinishStart(StartOutcome outcome, const std::string& setUpWhy) {
    const std::unique_ptr<QTemporaryFile> errors = std::move(startErrors_);
    if (outcome == StartOutcome::Linked || outcome == StartOutcome::Cancelled) return {};
    // A host that took the link but failed its set-up is not asked what it said.
    if (outcome == StartOutcome::NoAnswer) return setUpWhy;
    QString reason;
    if (errors) {
        errors->seek(0);
        for (const QByteArray& line : errors->read(4096).split('\n')) {
            reason = QString::fromUtf8(line.trimmed());
            if (!reason.isEmpty()) break;
        }
    }
    if (transport_.PeerRefused()) reason = transport_.ConnectError();
    if (reason.isEmpty()) {
        reason = outcome == StartOutcome::HostEnded
                     ? QStringLiteral("the host ended without listening on ") + socketPath_
                     : socketPath_ + QStringLiteral(": ") + transport_.ConnectError();
    }
    return reason.toStdString();
}

void HostLink::ExitHost(std::chrono::milliseconds timeout) {
    transport_.Execute(kControl, "Exit");
    // We wait for our connection, not for the host, which goes on serving
    // other clients.
    transport_.WaitForClose(static_cast<int>(timeout.count()));
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

void HostLink::Await(qint64 id, PortCall& call) {
    if (id == 0) {
        call.state = PortCall::State::NotSent;
        if (transport_.IsConnected()) call.text = kTooLongText;
        return;
    }
    pending_[id] = &call;
}

void HostLink::Request(const std::string& command, PortCall* call, std::chrono::milliseconds) {
    const qint64 id = transport_.Request(kControl, command);
    if (call) Await(id, *call);
}

void HostLink::Execute(const std::string& command, PortCall& call) {
    Await(transport_.Execute(kControl, command), call);
}

void HostLink::Forget(PortCall& call) {
    std::erase_if(pending_, [&call](const auto& entry) { return entry.second == &call; });
}

void HostLink::OnReply(qint64 id, const HostReply& reply) {
    const auto it = pending_.find(id);
    if (it == pending_.end()) return; // a call nobody waits for any more
    PortCall& call = *it->second;
    pending_.erase(it);
    call.state = reply.isError ? PortCall::State::Refused : PortCall::State::Answered;
    call.text = reply.isError ? reply.errorMessage.toStdString() : reply.data;
    core_.OnReply(call);
}

void HostLink::OnChanged(const QString& topic, const QString& item, std::string data) {
    if (item != kData) return;
    if (topic == kAsync) {
        core_.OnResponsePush(std::move(data));
    } else if (topic == kDynamic) {
        core_.OnDynamicPush(std::move(data));
    }
}

void HostLink::ProcessPending() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void HostLink::Wake() {
    for (QEventLoop* loop : waiters_)
        loop->quit();
}

void HostLink::WaitForEvent(const std::function<bool()>& ready, std::optional<LinkTime> until) {
    // Sleeps in an event loop; every reply, notification or loss wakes all
    // waiters (nested ones included) to look at their condition again.
    if (ready()) return;
    QEventLoop loop;
    QTimer deadline;
    if (until) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(*until - std::chrono::steady_clock::now());
        if (left.count() <= 0) return;
        deadline.setSingleShot(true);
        connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(left);
    }
    waiters_.push_back(&loop);
    loop.exec();
    waiters_.erase(std::find(waiters_.begin(), waiters_.end(), &loop));
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
