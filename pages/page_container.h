#pragma once
// The page container, class "qv_pageparent": a full-screen window right below its page, the page's
// backdrop. Over the desktop it is practically invisible; under the board's page it shows the
// shown board page's background, which the board lends it (pageBackdrop).
#include <windows.h>

#include <cstdint>
#include <vector>

#include "pages/core/page_rules.h"

LRESULT CALLBACK pageContainerProc(HWND, UINT, WPARAM, LPARAM);

// The board's background, installed by the board when it opens (board/board.h, openBoard): the
// pages sit below the board and reach its background only through these. Null before: a container
// erases as its class does, and the board's background reads as the plain grey (KEY_COLOUR_PIXEL).
struct PageBackdrop {
    // Paints the background on the board's container; false for any other window.
    bool (*paint)(HWND container, HDC dc);
    // The background under a rectangle of the board as 0x00RRGGBB pixels, top row first, with the
    // shown page's picture where it lies.
    void (*pixels)(int32_t left, int32_t top, int32_t width, int32_t height, std::vector<uint32_t>* out);
    // Where the shown page's picture lies; false when the page has none.
    bool (*picture)(IntRect* place);
    // The background alone under a rectangle, as `pixels` gives it where no picture lies.
    void (*background)(int32_t left, int32_t top, int32_t width, int32_t height, std::vector<uint32_t>* out);
};
extern PageBackdrop pageBackdrop; // GUI thread
