// Who hears about new dynamic data: a receiver object and the click to run
// on it. The click is posted, never called directly, so it runs after the
// data change has been handled, from the receiver's event loop.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

namespace talvex {

// Posts click to run later on form's thread; nothing happens when form is gone.
void ButtonClick(QObject* form, std::function<void()> click);

class DynReport {
public:
    void Set(QObject* form, std::function<void()> click);
    void Clear();
    bool IsSet() const { return !form_.isNull() && static_cast<bool>(click_); }
    // Posts the registered click, when there is one.
    void Post() const;

private:
    QPointer<QObject> form_;
    std::function<void()> click_;
};

} // namespace talvex
