#pragma once
// The pages' undo and redo, free of the platform. A step keeps only the rectangle it changed, its
// pixels before and after, each packed as runs (a drawing on the key colour is mostly long runs of
// one value). Every page has its own lane of steps; all lanes share one memory bound, and when a
// new step passes it the oldest steps of any lane go first.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "pages/core/page_rules.h"

// 128 MB for the steps of every page together: the page windows' lanes and the board pages' at rest.
constexpr size_t UNDO_MEMORY_BOUND = size_t(128) * 1024 * 1024;

struct UndoStep {
    IntRect rect;                 // canvas pixels the step changed
    std::vector<uint32_t> before; // their values before, as runs (packRect)
    std::vector<uint32_t> after;  // and after
    uint64_t order;               // when it was made, across all lanes; the smallest is the oldest
};

struct UndoLane {
    std::deque<UndoStep> done;    // the steps that can be undone, oldest first
    std::vector<UndoStep> undone; // the steps that can be redone, the next one last
    bool resting = false;         // the steps of a board page not shown: they go before any other
};

struct UndoBudget {
    size_t bound = UNDO_MEMORY_BOUND;
    size_t used = 0; // bytes held by the steps of every lane
    uint64_t nextOrder = 1;
    std::vector<UndoLane*> lanes; // every lane that shares the bound
};

// The pixels of rectangle r of an image (rows of `imageWidth` values, top row first) as runs:
// pairs (count, value) in reading order, running on across rows. r must lie inside the image.
void packRect(const uint32_t* image, int32_t imageWidth, const IntRect& r, std::vector<uint32_t>* runs);
// Writes runs back into rectangle r; false (and the rectangle partly written) when the runs do not
// hold exactly its pixels.
bool unpackRect(const std::vector<uint32_t>& runs, uint32_t* image, int32_t imageWidth, const IntRect& r);

size_t stepBytes(const UndoStep& step);

void addLane(UndoBudget* budget, UndoLane* lane);
// Drops every step of the lane and takes it out of the budget.
void removeLane(UndoBudget* budget, UndoLane* lane);

// A new step on the lane: what could be redone there goes, then, until the bound holds again, what
// can be redone elsewhere, the oldest steps of the resting lanes, and last the oldest steps of any
// lane (the new step last of all, when it alone is larger than the bound).
void pushStep(UndoBudget* budget, UndoLane* lane, UndoStep step);
// Swaps the steps of two lanes, each keeping its place in the budget and its `resting`: a board
// page's steps move into the page window's lane when the page is shown, and back when it is left.
void exchangeSteps(UndoLane* a, UndoLane* b);
// The step to undo (apply its `before`), moved to the redo side; null when there is none.
const UndoStep* takeUndo(UndoLane* lane);
// The step to redo (apply its `after`), moved back to the undo side; null when there is none.
const UndoStep* takeRedo(UndoLane* lane);

// Rectangles of the pages' changes.
// The bounds of the segment a-b grown by `grow` on every side.
IntRect segmentBounds(IntPoint a, IntPoint b, int32_t grow);
// The smallest rectangle holding both; an empty one (right <= left or bottom <= top) holds nothing.
IntRect unionRect(const IntRect& a, const IntRect& b);
// The part inside (0, 0)-(width, height); empty when none.
IntRect clipRect(const IntRect& r, int32_t width, int32_t height);
bool rectEmpty(const IntRect& r);
