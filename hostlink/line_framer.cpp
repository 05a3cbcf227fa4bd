// Newline framing with a line cap.
#include "hostlink/line_framer.h"

#include <utility>

namespace talvex {

LineFramer::LineFramer(std::function<void(const QByteArray&)> onLine,
                       std::function<void()> onOversized, qsizetype maxLine)
    : onLine_(std::move(onLine)), onOversized_(std::move(onOversized)), maxLine_(maxLine) {}

void LineFramer::Reset() {
    buffer_.clear();
    discarding_ = false;
}

void LineFramer::Feed(const QByteArray& chunk) {
    // Only the new chunk is ever scanned for "\n": the held part is known to
    // hold none, so a long line arriving in many reads costs linear time.
    qsizetype pos = 0;
    const qsizetype n = chunk.size();
    while (pos < n) {
        const qsizetype nl = chunk.indexOf('\n', pos);
        const qsizetype end = nl < 0 ? n : nl;
        if (discarding_) {
            if (nl < 0) return;
            discarding_ = false;
            pos = nl + 1;
            continue;
        }
        if (buffer_.size() + (end - pos) > maxLine_) {
            // Too long: forget what we held and skip the rest of this line.
            buffer_.clear();
            buffer_.squeeze();
            if (onOversized_) onOversized_();
            if (nl < 0) {
                discarding_ = true;
                return;
            }
            pos = nl + 1;
            continue;
        }
        if (nl < 0) {
            buffer_.append(chunk.constData() + pos, n - pos);
            if (buffer_.size() > peak_) peak_ = buffer_.size();
            return;
        }
        if (buffer_.isEmpty()) {
            // The common case: a whole line inside this chunk.
            if (end > pos) onLine_(chunk.mid(pos, end - pos));
        } else {
            buffer_.append(chunk.constData() + pos, end - pos);
            if (buffer_.size() > peak_) peak_ = buffer_.size();
            QByteArray line;
            line.swap(buffer_);
            onLine_(line);
        }
        pos = nl + 1;
    }
}

} // namespace talvex
