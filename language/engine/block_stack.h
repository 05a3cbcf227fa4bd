// The block stack: one frame per open conditional, loop or subroutine call.
#pragma once

#include <array>
#include <cstdint>

namespace talvex {

// What opened a frame.
enum BlockKind : std::int16_t {
    kTopLevel = 0,
    kIfBlock = 1,
    kWhileBlock = 2,  // #while ... #wend
    kDoTestBlock = 3, // #dowhile / #dountil ... #loop
    kDoBlock = 4,     // #do ... #loopwhile / #loopuntil
    kGosubFrame = 5,
};

// How a frame's lines are treated.
enum BlockState : std::int16_t {
    kStateTop = 0,        // top level, running
    kStateInactive = 1,   // opened inside a block that was not running
    kStateActive = 100,   // lines run
    kStatePending = 101,  // #if: no branch taken yet
    kStateFinished = 102, // a branch was taken, or the rest of a loop body is passed over
};

struct BlockFrame {
    std::int16_t Kind = kTopLevel;
    std::int16_t State = kStateTop;
    // Script position: the opening line of a loop, the line after a #gosub.
    long Pos = 1;
    // 1 when the loop must be left at its end directive (also set by a nesting error).
    std::int16_t Done = 0;
};

// Index 0 is the top level; levels 1 to 40 hold open blocks.
inline constexpr int kMaxBlockLevel = 40;
using BlockFrames = std::array<BlockFrame, kMaxBlockLevel + 1>;

// Whether a block of `kind` may open while `blockLevel` blocks are open: an
// #if or a call frame may take the last level, a loop needs one level more.
inline bool BlockFits(int blockLevel, std::int16_t kind) {
    const bool loop = kind == kWhileBlock || kind == kDoTestBlock || kind == kDoBlock;
    return blockLevel + (loop ? 1 : 0) < kMaxBlockLevel;
}

inline bool IsOpenState(std::int16_t state) {
    return state == kStateTop || state == kStateActive;
}

} // namespace talvex
