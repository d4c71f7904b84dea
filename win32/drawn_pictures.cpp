#include "win32/drawn_pictures.h"

#include <cstddef>
#include <vector>

#include "win32/core/dpi_scale.h"
#include "win32/top_down_section.h"

namespace {

struct DrawerRange {
    int32_t firstId, lastId;
    PictureDrawer drawer;
};

struct Drawn {
    int32_t id, dpi;
    std::shared_ptr<const Picture> picture;
};

// The lock guards the four below. Whoever asks for a picture (the GUI thread, the calibration
// window's, a thread drawing ahead) takes it to look up the drawer and the cache; a picture
// another thread is drawing at that moment it waits for (sleeping on pictureDrawn, which releases
// the lock), else it notes the picture as being drawn, draws it with the lock released, takes the
// lock again to store it and wakes the waiters. So no picture is drawn twice at once.
SRWLOCK lock = SRWLOCK_INIT;
CONDITION_VARIABLE pictureDrawn = CONDITION_VARIABLE_INIT;
std::vector<DrawerRange> drawers; // written at start-up by registerPictureDrawer; read by drawnPicture
std::vector<Drawn> cache;         // one entry per id, at the scale it was last asked at
std::vector<Drawn> underWay;      // the pictures being drawn (no picture yet), written by drawnPicture
int32_t drawnCount = 0;           // written by drawnPicture; read by picturesDrawn

bool listed(const std::vector<Drawn>& list, int32_t id, int32_t dpi,
            std::shared_ptr<const Picture>* picture) {
    for (const Drawn& d : list)
        if (d.id == id && d.dpi == dpi) {
            *picture = d.picture;
            return true;
        }
    return false;
}

PictureDrawer drawerOf(int32_t id) {
    for (auto it = drawers.rbegin(); it != drawers.rend(); ++it)
        if (id >= it->firstId && id <= it->lastId)
            return it->drawer;
    return nullptr;
}

} // namespace

void registerPictureDrawer(int32_t firstId, int32_t lastId, PictureDrawer drawer) {
    AcquireSRWLockExclusive(&lock);
    drawers.push_back({firstId, lastId, drawer});
    ReleaseSRWLockExclusive(&lock);
}

std::shared_ptr<const Picture> drawnPicture(int32_t id, int32_t dpi) {
    std::shared_ptr<const Picture> kept;
    AcquireSRWLockExclusive(&lock);
    const PictureDrawer drawer = drawerOf(id);
    while (!listed(cache, id, dpi, &kept) && drawer && listed(underWay, id, dpi, &kept))
        SleepConditionVariableSRW(&pictureDrawn, &lock, INFINITE, 0);
    if (kept || !drawer) {
        ReleaseSRWLockExclusive(&lock);
        return kept;
    }
    underWay.push_back({id, dpi, nullptr});
    ReleaseSRWLockExclusive(&lock);

    auto picture = std::make_shared<Picture>();
    const bool made = drawer(id, dpi, picture.get()) && picture->w > 0 && picture->h > 0;

    AcquireSRWLockExclusive(&lock);
    for (size_t i = 0; i < underWay.size(); ++i)
        if (underWay[i].id == id && underWay[i].dpi == dpi) {
            underWay.erase(underWay.begin() + std::ptrdiff_t(i));
            break;
        }
    if (made) {
        ++drawnCount;
        bool stored = false;
        for (Drawn& d : cache)
            if (d.id == id) {
                d = {id, dpi, picture};
                stored = true;
            }
        if (!stored)
            cache.push_back({id, dpi, picture});
    }
    ReleaseSRWLockExclusive(&lock);
    WakeAllConditionVariable(&pictureDrawn);
    return made ? picture : nullptr;
}

namespace {

struct AheadWork {
    std::vector<int32_t> ids;
    int32_t dpi;
};

DWORD WINAPI drawAhead(void* parameter) {
    std::unique_ptr<AheadWork> work(static_cast<AheadWork*>(parameter));
    for (int32_t id : work->ids)
        drawnPicture(id, work->dpi);
    return 0;
}

} // namespace

void drawPicturesAhead(const int32_t* ids, int32_t count, int32_t dpi) {
    if (knownDpi(dpi) == BASE_DPI || count < 1)
        return;
    auto* work = new AheadWork{std::vector<int32_t>(ids, ids + count), dpi};
    HANDLE thread = CreateThread(nullptr, 0, drawAhead, work, CREATE_SUSPENDED, nullptr);
    if (thread) {
        // Below the windows' threads: it takes the time they leave, and a window's own drawing
        // (its first paint at the new scale) goes first.
        SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
        ResumeThread(thread);
        CloseHandle(thread);
    } else
        delete work;
}

int32_t picturesDrawn() {
    AcquireSRWLockShared(&lock);
    const int32_t n = drawnCount;
    ReleaseSRWLockShared(&lock);
    return n;
}

HBITMAP bitmapOfPicture(const Picture& picture) {
    uint32_t* bits = nullptr;
    HBITMAP section = topDownSection(picture.w, picture.h, &bits);
    if (!section || !bits) {
        if (section)
            DeleteObject(section);
        return nullptr;
    }
    for (size_t i = 0; i < picture.px.size(); ++i) {
        const Rgb c = picture.px[i];
        bits[i] = (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
    }
    return section;
}
