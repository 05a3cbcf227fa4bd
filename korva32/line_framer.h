// Cuts a byte stream into protocol lines, refusing lines over the size cap.
#pragma once

#include "simhost/protocol_bounds.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

namespace talvex::korva {

// Longest line (without its "\n") a peer may send, also the longest the host writes.
inline constexpr qsizetype kMaxLineBytes = qsizetype(simhost::kMaxLineBytes);

class LineFramer {
public:
    // Both handlers return false to stop at once (the connection is going away);
    // the unread rest of that feed is dropped.
    using LineHandler = std::function<bool(const QByteArray& line)>;
    using OversizeHandler = std::function<bool()>;

    explicit LineFramer(qsizetype maxLineBytes = kMaxLineBytes) : maxLine_(maxLineBytes) {}

    // Hands every complete, non-blank line to `onLine`. A line that grows past
    // the cap is dropped as soon as it does: `onOversize` runs once, and the
    // bytes up to its "\n" are skipped without being kept.
    void feed(QByteArrayView data, const LineHandler& onLine, const OversizeHandler& onOversize);

    qsizetype bufferedBytes() const { return partial_.size(); }

private:
    qsizetype maxLine_;
    QByteArray partial_;      // start of a line whose "\n" has not come yet
    bool discarding_ = false; // inside a refused line
};

} // namespace talvex::korva
