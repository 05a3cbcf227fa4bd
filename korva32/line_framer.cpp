// Line framing with a hard cap, so one peer cannot make the host hold an
// unbounded line in memory.
#include "korva32/line_framer.h"

namespace talvex::korva {

namespace {
bool isBlankLine(QByteArrayView line) {
    for (char c : line) {
        if (c != ' ' && c != '\t' && c != '\r') return false;
    }
    return true;
}
} // namespace

void LineFramer::feed(QByteArrayView data, const LineHandler& onLine,
                      const OversizeHandler& onOversize) {
    qsizetype pos = 0;
    while (pos < data.size()) {
        const qsizetype newline = data.indexOf('\n', pos);
        if (discarding_) {
            if (newline < 0) return;
            discarding_ = false;
            pos = newline + 1;
            continue;
        }
        const qsizetype end = newline < 0 ? data.size() : newline;
        if (partial_.size() + (end - pos) > maxLine_) {
            // Release the memory now rather than at the line's end.
            partial_ = QByteArray();
            discarding_ = newline < 0;
            if (!onOversize()) return;
            pos = newline < 0 ? data.size() : newline + 1;
            continue;
        }
        if (newline < 0) {
            partial_.append(data.sliced(pos));
            return;
        }
        QByteArray line;
        if (partial_.isEmpty()) {
            line = data.sliced(pos, end - pos).toByteArray();
        } else {
            partial_.append(data.sliced(pos, end - pos));
            line = std::move(partial_);
            partial_ = QByteArray();
        }
        pos = newline + 1;
        if (isBlankLine(line)) continue;
        if (!onLine(line)) return;
    }
}

} // namespace talvex::korva
