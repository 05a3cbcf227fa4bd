// Unix signals delivered to the event loop: the handler only writes the
// signal's number into a pipe; a socket notifier reads it from the loop, so
// nothing but a write ever happens inside the handler.
#pragma once

#include <QObject>

#include <functional>
#include <initializer_list>

class QSocketNotifier;

namespace talvex {

class SignalRelay : public QObject {
public:
    using Handler = std::function<void(int signal)>;

    SignalRelay(std::initializer_list<int> signalNumbers, Handler handler,
                QObject* parent = nullptr);
    ~SignalRelay() override;

    // Puts the signal's default action back and raises it, so whoever started
    // this process sees it end by that signal.
    [[noreturn]] static void EndBy(int signal);

private:
    void Drain();

    Handler handler_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace talvex
