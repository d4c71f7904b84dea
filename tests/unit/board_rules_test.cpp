// The board's stack of pages: turning, adding up to the limit, the label, the backgrounds and
// their colours, the index on disk read back and read forgivingly; the undo budget that spends the
// histories of the pages not shown first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/core/board_rules.h"
#include "pages/core/packed_page.h"
#include "pages/core/picture_name.h"
#include "pages/core/undo_history.h"

namespace {

std::string order(const BoardIndex& b) {
    std::string s;
    for (const BoardPageEntry& p : b.pages)
        s += std::to_string(p.fileId) + ":" + std::to_string(int(p.background)) + " ";
    return s + "shown " + std::to_string(b.shown);
}

TEST(BoardPages, TurningStopsAtBothEndsAndNewPagesGoRightAfterTheShownOne) {
    BoardIndex b = freshBoard(BACKGROUND_GREY);
    EXPECT_EQ(previousPage(b), -1);
    EXPECT_EQ(nextPage(b), -1);
    EXPECT_EQ(pageLabel(b), "1 / 1");
    b.pages[0].background = BACKGROUND_SQUARED;
    ASSERT_TRUE(addPageAfterShown(&b));
    EXPECT_EQ(order(b), "1:2 2:2 shown 1") << "a new page takes the shown page's background";
    b.shown = 0;
    b.pages[0].background = BACKGROUND_BLACK;
    ASSERT_TRUE(addPageAfterShown(&b));
    EXPECT_EQ(order(b), "1:3 3:3 2:2 shown 1") << "inserted after the shown page, not at the end";
    EXPECT_EQ(pageLabel(b), "2 / 3");
    EXPECT_EQ(previousPage(b), 0);
    EXPECT_EQ(nextPage(b), 2);
}

TEST(BoardPages, ANewBoardIsOneEmptyPageInAFileOfItsOwn) {
    BoardIndex b = freshBoard(BACKGROUND_GREY);
    addPageAfterShown(&b);
    addPageAfterShown(&b);
    const BoardIndex n = boardAfter(b, BACKGROUND_BLACK);
    EXPECT_EQ(order(n), "4:3 shown 0");
    EXPECT_EQ(n.nextFileId, 5u);
}

TEST(BoardPages, AtMostNinetyNinePages) {
    BoardIndex b = freshBoard(BACKGROUND_WHITE);
    int added = 0;
    while (addPageAfterShown(&b))
        ++added;
    EXPECT_EQ(added, BOARD_MAX_PAGES - 1);
    EXPECT_EQ(int(b.pages.size()), BOARD_MAX_PAGES);
    EXPECT_EQ(pageLabel(b), "99 / 99");
    const std::string before = order(b);
    EXPECT_FALSE(addPageAfterShown(&b));
    EXPECT_EQ(order(b), before) << "a refused page changes nothing";
}

TEST(BoardBackgrounds, CycleAndColoursWithTheGridAtEveryStep) {
    EXPECT_EQ(nextBackground(BACKGROUND_GREY), BACKGROUND_WHITE);
    EXPECT_EQ(nextBackground(BACKGROUND_WHITE), BACKGROUND_SQUARED);
    EXPECT_EQ(nextBackground(BACKGROUND_SQUARED), BACKGROUND_BLACK);
    EXPECT_EQ(nextBackground(BACKGROUND_BLACK), BACKGROUND_GREY);
    EXPECT_EQ(gridStep(96), 40);
    EXPECT_EQ(gridStep(144), 60);
    EXPECT_EQ(gridStep(0), 40);
    EXPECT_EQ(backgroundPixel(BACKGROUND_GREY, 5, 5, 40), 0xC8C8C8u) << "grey is the board of old";
    EXPECT_EQ(backgroundPixel(BACKGROUND_BLACK, 0, 0, 40), 0u);
    EXPECT_EQ(backgroundPixel(BACKGROUND_WHITE, 0, 0, 40), 0xFFFFFFu);
    // Squared: one-pixel lines at the multiples of the step, white between them.
    int lines = 0;
    for (int x = 0; x < 200; ++x)
        lines += backgroundPixel(BACKGROUND_SQUARED, x, 7, 40) == GRID_LINE_RGB;
    EXPECT_EQ(lines, 5);
    EXPECT_EQ(backgroundPixel(BACKGROUND_SQUARED, 80, 7, 40), GRID_LINE_RGB);
    EXPECT_EQ(backgroundPixel(BACKGROUND_SQUARED, 7, 120, 40), GRID_LINE_RGB);
    EXPECT_EQ(backgroundPixel(BACKGROUND_SQUARED, 41, 39, 40), 0xFFFFFFu);
}

TEST(BoardBackgrounds, OnlyKeyColourPixelsTakeTheBackground) {
    std::vector<uint32_t> px = {0xFFC8C8C8, 0x00FF0000, 0x00C8C8C8, 0x000000FF};
    composeBackground(BACKGROUND_BLACK, 40, 0xC8C8C8, 2, 2, px.data());
    EXPECT_EQ(px, (std::vector<uint32_t>{0, 0xFF0000, 0, 0xFF}))
        << "the fourth byte is ignored and the strokes stay";
}

// A page's picture lies under the drawing: the key colour shows the picture where it lies and the
// background elsewhere, even where the picture itself is the key's grey.
TEST(BoardPictures, ShowThroughTheKeyColourOnlyWhereTheyLie) {
    const uint32_t K = 0xC8C8C8;
    std::vector<uint32_t> px(4 * 3, K);
    px[5] = 0x0000FF; // ink over the picture
    const uint32_t picture[4] = {0x111111, 0x222222, K, 0x444444};
    const PictureView view = {{1, 1, 2, 2}, picture};
    composeBackground(BACKGROUND_WHITE, 40, K, 4, 3, px.data(), &view);
    EXPECT_EQ(px, (std::vector<uint32_t>{0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, //
                                         0xFFFFFF, 0x0000FF, 0x222222, 0xFFFFFF, //
                                         0xFFFFFF, K, 0x444444, 0xFFFFFF}));
    EXPECT_EQ(backdropPixel(BACKGROUND_BLACK, 40, &view, 3, 2), 0u) << "past the picture's right edge";
    EXPECT_EQ(backdropPixel(BACKGROUND_BLACK, 40, nullptr, 1, 1), 0u);
}

// Whole, aspect kept, centred, shrunk to fit but never enlarged more than twice.
TEST(BoardPictures, FitIntoThePage) {
    const auto place = [](int32_t w, int32_t h, int32_t pw, int32_t ph) {
        const PicturePlace p = fitPicture(w, h, pw, ph);
        return std::to_string(p.x) + "," + std::to_string(p.y) + " " + std::to_string(p.width) + "x" +
               std::to_string(p.height);
    };
    EXPECT_EQ(place(1920, 1080, 1920, 1080), "0,0 1920x1080") << "a frozen screen is the page";
    EXPECT_EQ(place(3000, 4000, 1920, 1080), "555,0 810x1080") << "a portrait photo, shrunk";
    EXPECT_EQ(place(4000, 1000, 1920, 1080), "0,300 1920x480");
    EXPECT_EQ(place(100, 50, 1920, 1080), "860,490 200x100") << "enlarged twice at most";
    EXPECT_EQ(place(800, 600, 1024, 768), "0,0 1024x768");
    EXPECT_EQ(place(20000, 1, 1024, 768), "0,383 1024x1") << "never thinner than a pixel";
    EXPECT_EQ(place(0, 10, 1024, 768), "0,0 0x0");
    EXPECT_EQ(place(10, 10, 0, 768), "0,0 0x0");
}

// Picture pages in the index: written and read back with their place; a place that does not read
// costs only its page; pages of pictures replacing a board take new files.
TEST(BoardPictures, KeptInTheIndex) {
    BoardIndex b = freshBoard(BACKGROUND_GREY);
    ASSERT_TRUE(addPageAfterShown(&b, {0, 60, 1920, 960}));
    const std::string text = formatBoardIndex(b);
    EXPECT_NE(text.find("page 2 0 picture 0 60 1920 960\n"), std::string::npos) << text;
    BoardIndex r;
    ASSERT_TRUE(parseBoardIndex(text, &r));
    ASSERT_EQ(r.pages.size(), 2u);
    EXPECT_EQ(r.pages[0].picture.width, 0);
    EXPECT_EQ(r.pages[1].picture.y, 60);
    EXPECT_EQ(r.pages[1].picture.height, 960);
    ASSERT_TRUE(parseBoardIndex("velmora-board 1\npage 3 1 picture 0 0 0 5\npage 4 1 picture 0 0 9\n"
                                "page 5 1 image 0 0 9 9\npage 6 1 picture 0 0 99999 9\n"
                                "page 7 2 picture 1 2 3 4\npage 8 2 picture 1 2 3 4 5\n",
                                &r));
    EXPECT_EQ(order(r), "7:2 shown 0");
    const BoardIndex n = boardOfPictures(b, BACKGROUND_WHITE, {{0, 0, 10, 10}, {5, 0, 5, 10}});
    EXPECT_EQ(order(n), "3:1 4:1 shown 0") << "files after the old board's";
    EXPECT_EQ(n.pages[1].picture.x, 5);
    EXPECT_EQ(order(boardOfPictures(b, BACKGROUND_GREY, {})), "3:0 shown 0") << "never a board of no page";
}

TEST(BoardIndexText, ReadsBackWhatItWrites) {
    BoardIndex b = freshBoard(BACKGROUND_GREY);
    addPageAfterShown(&b);
    b.pages[1].background = BACKGROUND_BLACK;
    addPageAfterShown(&b);
    b.pages[2].background = BACKGROUND_SQUARED;
    b.shown = 1;
    BoardIndex r;
    ASSERT_TRUE(parseBoardIndex(formatBoardIndex(b), &r)) << formatBoardIndex(b);
    EXPECT_EQ(order(r), order(b));
    EXPECT_EQ(r.nextFileId, 4u) << "a new page never takes a file in use";
}

TEST(BoardIndexText, ADamagedLineCostsOnlyItsPage) {
    BoardIndex r;
    ASSERT_TRUE(
        parseBoardIndex("velmora-board 1\r\nshown 3\r\npage 4 1\r\npage x 1\r\npage 9 7\r\npage 4 2\r\n"
                        "page 12 3 junk\r\npage 6 3\r\n",
                        &r));
    EXPECT_EQ(order(r), "4:1 6:3 shown 0") << "shown 3 of two pages falls back to the first";
    EXPECT_EQ(r.nextFileId, 7u);
}

TEST(BoardIndexText, NothingReadableLeavesTheBoardAsItWas) {
    BoardIndex r = freshBoard(BACKGROUND_WHITE);
    const std::string before = order(r);
    for (const char* text : {"", "velmora-board 2\npage 1 0\n", "velmora-board 1\nshown 1\n",
                             "\x89PNG\r\n\x1a\n garbage", "velmora-board 1\npage 0 0\n"}) {
        EXPECT_FALSE(parseBoardIndex(text, &r)) << "read: " << text;
        EXPECT_EQ(order(r), before);
    }
    std::string many = "velmora-board 1\n";
    for (int i = 1; i <= 150; ++i)
        many += "page " + std::to_string(i) + " 0\n";
    ASSERT_TRUE(parseBoardIndex(many, &r));
    EXPECT_EQ(int(r.pages.size()), BOARD_MAX_PAGES);
}

TEST(BoardFiles, PageAndDocumentNames) {
    EXPECT_EQ(pageFileName(7), "pagina-7.png");
    EXPECT_EQ(pictureFileName(7), "imagen-7.png");
    const LocalTime t = {2026, 3, 4, 5, 6, 7};
    EXPECT_EQ(savedFileName(t, 1, ".pdf"), "Velmora 2026-03-04 05-06-07.pdf");
    EXPECT_EQ(savedFileName(t, 2, ".pdf"), "Velmora 2026-03-04 05-06-07 (2).pdf");
    EXPECT_EQ(savedPictureName(t, 1), "Velmora 2026-03-04 05-06-07.png");
}

UndoStep stepOf(size_t words) {
    UndoStep s = {{0, 0, 1, 1}, std::vector<uint32_t>(words, 1), {}, 0};
    return s;
}

TEST(BoardUndo, ThePagesNotShownGiveTheirHistoryFirst) {
    UndoBudget budget;
    UndoLane shown, resting;
    resting.resting = true;
    const size_t one = stepBytes(stepOf(1000));
    budget.bound = one * 4;
    pushStep(&budget, &shown, stepOf(1000));   // the oldest of all, but on the page shown
    pushStep(&budget, &resting, stepOf(1000)); // a page not shown
    pushStep(&budget, &resting, stepOf(1000));
    pushStep(&budget, &shown, stepOf(1000));
    pushStep(&budget, &shown, stepOf(1000)); // over the bound: a resting step goes, not the oldest
    EXPECT_EQ(shown.done.size(), 3u);
    EXPECT_EQ(resting.done.size(), 1u);
    pushStep(&budget, &shown, stepOf(1000));
    pushStep(&budget, &shown, stepOf(1000)); // the resting lane is empty: the shown page's oldest go
    EXPECT_EQ(resting.done.size(), 0u);
    EXPECT_EQ(shown.done.size(), 4u);
    EXPECT_LE(budget.used, budget.bound);
}

TEST(BoardUndo, ExchangingStepsKeepsEachLaneRestingOrNot) {
    UndoBudget budget;
    UndoLane window, page;
    page.resting = true;
    pushStep(&budget, &window, stepOf(10));
    pushStep(&budget, &window, stepOf(10));
    takeUndo(&window);
    exchangeSteps(&window, &page);
    EXPECT_TRUE(window.done.empty());
    EXPECT_TRUE(window.undone.empty());
    EXPECT_EQ(page.done.size(), 1u);
    EXPECT_EQ(page.undone.size(), 1u) << "what can be redone travels with the page";
    EXPECT_TRUE(page.resting);
    EXPECT_FALSE(window.resting);
}

// A page packed at the canvas's size is written and composed at the monitor's, smaller or larger:
// cut to it, or blank beyond the drawing; runs that do not cover their rectangle give a blank page.
TEST(BoardPages, APackedPageUnpacksCutOrFilledAndNeverFromRunsThatDoNotFit) {
    const uint32_t blank = 0xC8C8C8;
    std::vector<uint32_t> image(5 * 3);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = 0xFF000000u | uint32_t(i < 7 ? 0x10 : 0x20 + i);
    PackedPage page;
    page.width = 5;
    page.height = 3;
    packRect(image.data(), 5, {0, 0, 5, 3}, &page.runs);
    std::vector<uint32_t> out;
    ASSERT_TRUE(unpackPage(page, 3, 2, blank, &out));
    EXPECT_EQ(out, (std::vector<uint32_t>{0x10, 0x10, 0x10, 0x10, 0x10, 0x27}))
        << "cut to 3 x 2, top byte cleared";
    ASSERT_TRUE(unpackPage(page, 6, 4, blank, &out));
    ASSERT_EQ(out.size(), 24u);
    EXPECT_EQ(out[4], 0x10u);
    EXPECT_EQ(out[5], blank) << "beyond the packed width";
    EXPECT_EQ(out[6 + 2], 0x27u) << "the second row starts at the picture's own width";
    EXPECT_EQ(out[12 + 4], 0x2Eu);
    EXPECT_EQ(out[18 + 0], blank) << "below the packed height";
    ASSERT_TRUE(unpackPage(PackedPage{}, 2, 2, blank, &out)) << "a blank page";
    EXPECT_EQ(out, std::vector<uint32_t>(4, blank));
    page.runs[0] += 1; // one pixel more than the rectangle holds
    EXPECT_FALSE(unpackPage(page, 5, 3, blank, &out));
    EXPECT_EQ(out, std::vector<uint32_t>(15, blank)) << "nothing of runs that do not fit";
}

} // namespace
