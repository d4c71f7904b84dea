#include "pages/core/undo_history.h"

#include <algorithm>

void packRect(const uint32_t* image, int32_t imageWidth, const IntRect& r, std::vector<uint32_t>* runs) {
    runs->clear();
    uint32_t count = 0, value = 0;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        const uint32_t* row = image + size_t(y) * size_t(imageWidth);
        for (int32_t x = r.left; x < r.right; ++x) {
            if (count && row[x] == value && count < 0xFFFFFFFFu) {
                ++count;
                continue;
            }
            if (count) {
                runs->push_back(count);
                runs->push_back(value);
            }
            count = 1;
            value = row[x];
        }
    }
    if (count) {
        runs->push_back(count);
        runs->push_back(value);
    }
    runs->shrink_to_fit();
}

bool unpackRect(const std::vector<uint32_t>& runs, uint32_t* image, int32_t imageWidth, const IntRect& r) {
    if (runs.size() % 2)
        return false;
    const int32_t width = r.right - r.left;
    size_t k = 0;
    uint32_t left = 0, value = 0; // what remains of the current run
    for (int32_t y = r.top; y < r.bottom; ++y) {
        uint32_t* row = image + size_t(y) * size_t(imageWidth) + r.left;
        int32_t x = 0;
        while (x < width) {
            if (!left) {
                if (k >= runs.size())
                    return false;
                left = runs[k];
                value = runs[k + 1];
                k += 2;
                continue;
            }
            const uint32_t n = std::min<uint32_t>(left, uint32_t(width - x));
            std::fill(row + x, row + x + n, value);
            x += int32_t(n);
            left -= n;
        }
    }
    return !left && k == runs.size();
}

size_t stepBytes(const UndoStep& step) {
    return sizeof(UndoStep) + (step.before.capacity() + step.after.capacity()) * sizeof(uint32_t);
}

void addLane(UndoBudget* budget, UndoLane* lane) {
    if (std::find(budget->lanes.begin(), budget->lanes.end(), lane) == budget->lanes.end())
        budget->lanes.push_back(lane);
}

namespace {

void forget(UndoBudget* budget, const UndoStep& step) {
    const size_t bytes = stepBytes(step);
    budget->used = budget->used > bytes ? budget->used - bytes : 0;
}

void dropRedo(UndoBudget* budget, UndoLane* lane) {
    for (const UndoStep& s : lane->undone)
        forget(budget, s);
    lane->undone.clear();
}

// The lane whose oldest undoable step is the oldest of all (of the resting lanes only, when asked);
// null when no such lane has one.
UndoLane* laneWithOldest(const UndoBudget* budget, bool restingOnly) {
    UndoLane* oldest = nullptr;
    for (UndoLane* lane : budget->lanes)
        if (!lane->done.empty() && (!restingOnly || lane->resting) &&
            (!oldest || lane->done.front().order < oldest->done.front().order))
            oldest = lane;
    return oldest;
}

} // namespace

void removeLane(UndoBudget* budget, UndoLane* lane) {
    dropRedo(budget, lane);
    for (const UndoStep& s : lane->done)
        forget(budget, s);
    lane->done.clear();
    budget->lanes.erase(std::remove(budget->lanes.begin(), budget->lanes.end(), lane), budget->lanes.end());
}

void pushStep(UndoBudget* budget, UndoLane* lane, UndoStep step) {
    addLane(budget, lane);
    dropRedo(budget, lane);
    step.order = budget->nextOrder++;
    budget->used += stepBytes(step);
    lane->done.push_back(std::move(step));
    while (budget->used > budget->bound) {
        // What can be redone elsewhere is worth less than any undoable step.
        bool dropped = false;
        for (UndoLane* other : budget->lanes)
            if (other != lane && !other->undone.empty()) {
                dropRedo(budget, other);
                dropped = true;
            }
        if (dropped)
            continue;
        // The pages not shown give their history first: the one the user works on keeps its own.
        UndoLane* oldest = laneWithOldest(budget, true);
        if (!oldest)
            oldest = laneWithOldest(budget, false);
        if (!oldest)
            break;
        forget(budget, oldest->done.front());
        oldest->done.pop_front();
    }
}

void exchangeSteps(UndoLane* a, UndoLane* b) {
    std::swap(a->done, b->done);
    std::swap(a->undone, b->undone);
}

namespace {

// Moves the newest step of one side of a lane onto the other and returns it there; null when that
// side is empty.
template <typename From, typename To> const UndoStep* moveNewest(From& from, To& to) {
    if (from.empty())
        return nullptr;
    to.push_back(std::move(from.back()));
    from.pop_back();
    return &to.back();
}

} // namespace

const UndoStep* takeUndo(UndoLane* lane) {
    return moveNewest(lane->done, lane->undone);
}

const UndoStep* takeRedo(UndoLane* lane) {
    return moveNewest(lane->undone, lane->done);
}

IntRect segmentBounds(IntPoint a, IntPoint b, int32_t grow) {
    return {std::min(a.x, b.x) - grow, std::min(a.y, b.y) - grow, std::max(a.x, b.x) + grow + 1,
            std::max(a.y, b.y) + grow + 1};
}

bool rectEmpty(const IntRect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

IntRect unionRect(const IntRect& a, const IntRect& b) {
    if (rectEmpty(a))
        return b;
    if (rectEmpty(b))
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

IntRect clipRect(const IntRect& r, int32_t width, int32_t height) {
    IntRect c = {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width),
                 std::min(r.bottom, height)};
    if (rectEmpty(c))
        return {0, 0, 0, 0};
    return c;
}
