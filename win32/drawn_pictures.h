#pragma once
// Pictures drawn at run time at the scale they are shown at. The resources carry the pictures at
// 100 %; every other scale is drawn from the same outlines by the room the picture belongs to,
// which registers its drawer for its ids at start-up (the ground never includes a room above it).
#include <windows.h>

#include <cstdint>
#include <memory>

#include "win32/core/raster.h"

// Draws picture `id` (its 100 % resource id) at dpi into *out; false for an id it does not draw.
using PictureDrawer = bool (*)(int32_t id, int32_t dpi, Picture* out);

// The drawer of the ids firstId .. lastId. A later registration of an id replaces the earlier.
// Called at start-up, before any window that shows a picture.
void registerPictureDrawer(int32_t firstId, int32_t lastId, PictureDrawer drawer);

// Picture id at dpi, drawn by its drawer the first time it is asked for at that dpi and kept:
// each id keeps the picture of the last scale it was asked at, so a window that changes scale
// gets its pictures drawn again once, and a paint at the same scale costs no drawing. Null when
// no drawer draws the id. Any thread.
std::shared_ptr<const Picture> drawnPicture(int32_t id, int32_t dpi);

// Draws the pictures ids[0 .. count) at dpi on a thread of their own, at the lowest priority, so
// that a window that takes a new scale finds them drawn when it first needs them (pressed,
// hovered, a marker moved) instead of drawing each then. Nothing at 96 DPI (the resources). A
// picture asked for while the thread draws it is waited for; one it has not come to yet is drawn
// by whoever asks, and the thread then takes it from the cache.
void drawPicturesAhead(const int32_t* ids, int32_t count, int32_t dpi);

// How many pictures have been drawn since the start (a picture taken from the cache is not).
int32_t picturesDrawn();

// A 32-bit top-down DIB section holding the picture; null when it cannot be made. The caller
// deletes it.
HBITMAP bitmapOfPicture(const Picture& picture);
