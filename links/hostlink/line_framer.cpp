// Newline framing with a line cap.
#include "hostlink/line_framer.h"

#include <utility>

namespace talvex {

namespace {
bool IsBlank(QByteArrayView line) {
    for (char c : line) {
        if (c != ' ' && c != '\t' && c != '\r') return false;
    }
    return true;
}
} // namespace

LineFramer::LineFramer(LineHandler onLine, OversizeHandler onOversized, qsizetype maxLine)
    : onLine_(std::move(onLine)), onOversized_(std::move(onOversized)), maxLine_(maxLine) {}

void LineFramer::Reset() {
    buffer_.clear();
    discarding_ = false;
}

void LineFramer::Feed(QByteArrayView chunk) {
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
            // Too long: forget what we held (its memory too) and skip the
            // rest of this line.
            buffer_ = QByteArray();
            discarding_ = nl < 0;
            if (onOversized_ && !onOversized_()) return;
            pos = nl < 0 ? n : nl + 1;
            continue;
        }
        if (nl < 0) {
            buffer_.append(chunk.data() + pos, n - pos);
            if (buffer_.size() > peak_) peak_ = buffer_.size();
            return;
        }
        QByteArray line;
        if (buffer_.isEmpty()) {
            // The common case: a whole line inside this chunk.
            line = chunk.sliced(pos, end - pos).toByteArray();
        } else {
            buffer_.append(chunk.data() + pos, end - pos);
            if (buffer_.size() > peak_) peak_ = buffer_.size();
            line.swap(buffer_);
        }
        pos = nl + 1;
        if (IsBlank(line)) continue;
        if (!onLine_(line)) return;
    }
}

} // namespace talvex
