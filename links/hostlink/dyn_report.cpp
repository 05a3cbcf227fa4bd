// Deferred notification of dynamic data.
#include "hostlink/dyn_report.h"

#include <QMetaObject>

#include <utility>

namespace talvex {

void ButtonClick(QObject* form, std::function<void()> click) {
    if (!form || !click) return;
    QMetaObject::invokeMethod(form, std::move(click), Qt::QueuedConnection);
}

void DynReport::Set(QObject* form, std::function<void()> click) {
    form_ = form;
    click_ = std::move(click);
}

void DynReport::Clear() {
    form_.clear();
    click_ = nullptr;
}

void DynReport::Post() const {
    if (IsSet()) ButtonClick(form_.data(), click_);
}

} // namespace talvex
