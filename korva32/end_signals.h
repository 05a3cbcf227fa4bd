// SIGTERM, SIGINT and SIGHUP end the host in order: the handler only writes
// the signal's number into a pipe, and the event loop, reading it, closes the
// socket (removing its file) before the process ends by that signal.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace talvex::korva {

class EndSignals : public QObject {
public:
    // `end` runs on the event loop for the first of these signals to arrive.
    explicit EndSignals(std::function<void(int signal)> end, QObject* parent = nullptr);
    ~EndSignals() override;

    // Puts the signal's default action back and raises it, so whoever started
    // the host sees it end by that signal.
    [[noreturn]] static void EndBy(int signal);

private:
    std::function<void(int)> end_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace talvex::korva
