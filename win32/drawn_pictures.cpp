#include "win32/drawn_pictures.h"

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

// The lock guards the three below. Whoever asks for a picture (the palette's, the help window's,
// the calibration window's thread) takes it to look up the drawer and the cache, draws with the
// lock released, and takes it again to store what it drew: two threads asking for the same
// picture at once may both draw it, and the later one's is kept.
SRWLOCK lock = SRWLOCK_INIT;
std::vector<DrawerRange> drawers; // written at start-up by registerPictureDrawer; read by drawnPicture
std::vector<Drawn> cache;         // one entry per id, at the scale it was last asked at
int32_t drawnCount = 0;           // written by drawnPicture; read by picturesDrawn

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
    AcquireSRWLockExclusive(&lock);
    const PictureDrawer drawer = drawerOf(id);
    for (const Drawn& d : cache)
        if (d.id == id && d.dpi == dpi) {
            std::shared_ptr<const Picture> kept = d.picture;
            ReleaseSRWLockExclusive(&lock);
            return kept;
        }
    ReleaseSRWLockExclusive(&lock);
    auto picture = std::make_shared<Picture>();
    if (!drawer || !drawer(id, dpi, picture.get()) || picture->w < 1 || picture->h < 1)
        return nullptr;
    AcquireSRWLockExclusive(&lock);
    ++drawnCount;
    bool stored = false;
    for (Drawn& d : cache)
        if (d.id == id) {
            d = {id, dpi, picture};
            stored = true;
        }
    if (!stored)
        cache.push_back({id, dpi, picture});
    ReleaseSRWLockExclusive(&lock);
    return picture;
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
    HANDLE thread = CreateThread(nullptr, 0, drawAhead, work, 0, nullptr);
    if (thread)
        CloseHandle(thread);
    else
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
