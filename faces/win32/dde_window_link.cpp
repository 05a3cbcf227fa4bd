#include "win32/dde_window_link.h"

namespace talvex {

DdeWindowLink::~DdeWindowLink() {
    link_.SetMessageHandler(nullptr);
    link_.SetHardCancelNotice(nullptr);
    link_.ClearDynReport();
}

template <typename Call> void DdeWindowLink::Watching(Call call) {
    const bool was = link_.IsLinked();
    call();
    if (!was && link_.IsLinked()) ReportDynamicData();
    TextsChanged();
}

void DdeWindowLink::ReportDynamicData() {
    link_.SetDynReport([this] {
        TextsChanged();
        if (events_.dynamicData) events_.dynamicData();
    });
}

bool DdeWindowLink::Init() {
    bool ok = false;
    Watching([&] { ok = link_.Init(); });
    return ok;
}

bool DdeWindowLink::LinkAtStart() {
    if (!link_.Init(std::wstring(), true)) return false;
    ReportDynamicData();
    TextsChanged();
    return true;
}

void DdeWindowLink::Send(const std::string& s) {
    Watching([&] { link_.Send(s); });
}

void DdeWindowLink::HardCancel() {
    Watching([&] { link_.HardCancel(); });
}

void DdeWindowLink::SendA(const std::string& s) {
    if (events_.waitStarted) events_.waitStarted(s);
    Watching([&] { link_.SendA(s); });
    if (events_.waitEnded) events_.waitEnded();
}

LinkTexts DdeWindowLink::Texts() const {
    return {link_.SendBox(), link_.DDEBox(), link_.DynDDE(), link_.DDEAsync()};
}

void DdeWindowLink::SendFromLinkWindow(const std::string& command) {
    link_.SetSendBox(command);
    Send(command);
}

void DdeWindowLink::SetEvents(WindowLinkEvents events) {
    events_ = std::move(events);
    if (events_.message) {
        link_.SetMessageHandler(
            [this](DdeMessageIcon icon, const std::string& title, const std::string& text) {
                events_.message(icon == DdeMessageIcon::Critical ? MessageKind::Critical
                                                                 : MessageKind::Warning,
                                title, text);
            });
    } else {
        link_.SetMessageHandler(nullptr);
    }
    link_.SetHardCancelNotice([this] {
        if (events_.hardCancelUnanswered) events_.hardCancelUnanswered();
    });
}

} // namespace talvex
