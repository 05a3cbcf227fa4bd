// The response pane's RichEdit as a view of the pane's text. RichEdit lays
// out every paragraph it is given, and under Wine that cost most of a fast
// run's time: each time the pane's limit cut its text, a thousand lines and
// more went in again. So a refilled pane takes only its last lines at first;
// the lines before them come back once the run is over, or at once when the
// user turns to the pane.
#pragma once

#include "win32/rich_pane.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace talvex {

class ResponseView {
public:
    // Lines a refilled pane shows at first: screens more than the pane has.
    static constexpr std::size_t kTailLines = 200;

    explicit ResponseView(RichPane& pane) : pane_(pane) {}

    // Brings the control from `shown` to `text` (the core's texts). With
    // `tailOnly`, a refill puts in only the text's last lines.
    void Update(std::string_view shown, std::string_view text, bool tailOnly);
    // Puts the lines held out back, keeping the view and the selection on
    // the same text; false when nothing was held out.
    bool Complete();
    bool Partial() const { return hidden_ > 0; }
    // Display characters held out before the control's text.
    std::size_t Hidden() const { return hidden_; }

private:
    RichPane& pane_;
    std::string text_;       // the whole text the pane shows
    std::size_t hidden_ = 0; // how much of it, from the front, the control lacks
};

} // namespace talvex
