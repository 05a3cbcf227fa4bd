#include "ui/window_link.h"

namespace talvex {

WindowLink::WindowLink(HostLink& link, QObject* parent) : QObject(parent), link_(link) {
    connect(&link_, &HostLink::debugTextsChanged, this, [this] {
        if (events_.textsChanged) events_.textsChanged();
    });
}

WindowLink::~WindowLink() {
    link_.SetMessageHandler(nullptr);
    link_.SetHardCancelNotice(nullptr);
    link_.ClearDynReport();
}

template <typename Call> void WindowLink::Watching(Call call) {
    const bool was = link_.IsLinked();
    call();
    if (!was && link_.IsLinked()) ReportDynamicData();
}

void WindowLink::ReportDynamicData() {
    link_.SetDynReport(this, [this] {
        if (events_.dynamicData) events_.dynamicData();
    });
}

bool WindowLink::Init() {
    bool ok = false;
    Watching([&] { ok = link_.Init(); });
    return ok;
}

bool WindowLink::LinkAtStart() {
    if (!link_.Init(QString(), true)) return false;
    ReportDynamicData();
    return true;
}

void WindowLink::Send(const std::string& s) {
    Watching([&] { link_.Send(s); });
}

void WindowLink::HardCancel() {
    Watching([&] { link_.HardCancel(); });
}

void WindowLink::SendA(const std::string& s) {
    if (events_.waitStarted) events_.waitStarted(s);
    Watching([&] { link_.SendA(s); });
    if (events_.waitEnded) events_.waitEnded();
}

LinkTexts WindowLink::Texts() const {
    return {link_.SendBox(), link_.DDEBox(), link_.DynDDE(), link_.DDEAsync()};
}

void WindowLink::SendFromLinkWindow(const std::string& command) {
    link_.SetSendBox(command);
    Send(command);
}

void WindowLink::SetEvents(WindowLinkEvents events) {
    events_ = std::move(events);
    if (events_.message) {
        link_.SetMessageHandler(
            [this](LinkMessageIcon icon, const QString& title, const QString& text) {
                events_.message(icon == LinkMessageIcon::Critical ? MessageKind::Critical
                                                                  : MessageKind::Warning,
                                title.toStdString(), text.toStdString());
            });
    } else {
        link_.SetMessageHandler(nullptr);
    }
    link_.SetHardCancelNotice([this] {
        if (events_.hardCancelUnanswered) events_.hardCancelUnanswered();
    });
}

} // namespace talvex
