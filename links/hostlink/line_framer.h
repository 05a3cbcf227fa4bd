// Cuts a byte stream into newline-terminated lines, for both ends of the host
// protocol. Handles lines split across reads and several lines in one read,
// and refuses lines beyond a cap without keeping their bytes: a peer cannot
// make us buffer without bound.
#pragma once

#include "simhost/protocol_bounds.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

namespace talvex {

class LineFramer {
public:
    // The cap of the wire protocol, the one the hosts build their replies to.
    static constexpr qsizetype kDefaultMaxLine = qsizetype(simhost::kMaxLineBytes);

    // Both return false to stop at once (the connection is going away); the
    // unread rest of that feed is dropped.
    using LineHandler = std::function<bool(const QByteArray& line)>;
    using OversizeHandler = std::function<bool()>;

    // onLine gets every complete line without its "\n"; blank lines (spaces,
    // tabs, CRs or nothing) are skipped. onOversized is called once for each
    // refused line.
    LineFramer(LineHandler onLine, OversizeHandler onOversized,
               qsizetype maxLine = kDefaultMaxLine);

    void Feed(QByteArrayView chunk);
    void Reset();

    // Bytes held for an unfinished line, and the most ever held.
    qsizetype Buffered() const { return buffer_.size(); }
    qsizetype PeakBuffered() const { return peak_; }

private:
    LineHandler onLine_;
    OversizeHandler onOversized_;
    qsizetype maxLine_;
    QByteArray buffer_;       // start of a line whose "\n" has not come yet
    bool discarding_ = false; // inside a refused line
    qsizetype peak_ = 0;
};

} // namespace talvex
