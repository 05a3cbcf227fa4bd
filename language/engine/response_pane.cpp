// The response pane model.
#include "engine/response_pane.h"

#include "engine/text_codec.h"

namespace talvex {

void ResponsePane::Append(std::string_view text) {
    text_.append(text);
    chars_ += CharCount(text);
}

void ResponsePane::CutBack(std::size_t length) {
    if (length >= chars_) return;
    // Cuts take back what was just appended, so count from the end rather
    // than walking the whole pane.
    std::size_t end = text_.size();
    for (std::size_t k = chars_ - length; k > 0 && end > 0; --k) {
        std::size_t start = end - 1;
        std::size_t continuation = 0;
        while (start > 0 && (static_cast<unsigned char>(text_[start]) & 0xC0) == 0x80 &&
               continuation < 3) {
            --start;
            ++continuation;
        }
        // Only a lead byte of the right length makes one character of the run.
        if (CharCount(std::string_view(text_).substr(start, end - start)) != 1) start = end - 1;
        end = start;
    }
    text_.resize(end);
    chars_ = length;
}

void ResponsePane::Replace(std::string_view text) {
    text_.assign(text);
    chars_ = CharCount(text_);
}

std::string ResponsePane::KeptAfterLimitCut(const std::string& text) {
    // The first CR LF, then on to the first one at or after character 12500
    // (1-based, as the pane counts). When the breaks run out before that, the
    // last one found is the cut, and a pane still over the limit is emptied.
    std::size_t cut = text.find("\r\n");
    if (cut == std::string::npos) return "";
    const std::size_t from = ByteOffsetOfChar(text, kKeepFrom - 1);
    if (cut < from) {
        const std::size_t next = text.find("\r\n", from);
        cut = next != std::string::npos ? next : text.rfind("\r\n");
    }
    std::string kept = cut + 2 < text.size() ? text.substr(cut + 2) : std::string();
    if (CharCount(kept) > kLimit) kept.clear();
    return kept;
}

} // namespace talvex
