// Cuts a byte stream into newline-terminated lines. Handles lines split
// across reads and several lines in one read, and refuses lines beyond a cap
// without keeping their bytes: a peer cannot make us buffer without bound.
#pragma once

#include "simhost/protocol_bounds.h"

#include <QByteArray>

#include <cstddef>
#include <functional>

namespace talvex {

class LineFramer {
public:
    // The cap of the wire protocol, the one the hosts build their replies to.
    static constexpr qsizetype kDefaultMaxLine = qsizetype(simhost::kMaxLineBytes);

    // onLine gets every complete line (without "\n", empty lines skipped);
    // onOversized is called once for each refused line.
    LineFramer(std::function<void(const QByteArray&)> onLine, std::function<void()> onOversized,
               qsizetype maxLine = kDefaultMaxLine);

    void Feed(const QByteArray& chunk);
    void Reset();

    // Bytes held for an unfinished line, and the most ever held.
    qsizetype Buffered() const { return buffer_.size(); }
    qsizetype PeakBuffered() const { return peak_; }

private:
    std::function<void(const QByteArray&)> onLine_;
    std::function<void()> onOversized_;
    qsizetype maxLine_;
    QByteArray buffer_;
    bool discarding_ = false;
    qsizetype peak_ = 0;
};

} // namespace talvex
