// Window shape (regions traced from bitmaps, round and given regions) and
// the dialog's background, read back pixel by pixel.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "runtime/values.h"
#include "tests/window/recorder.h"
#include "window/dialog.h"

namespace {

using wt::OpenDialog;

// A 32-bit bitmap whose pixels are the given colours, row by row from the
// top.
HBITMAP makeBitmap(int width, int height, const std::vector<COLORREF>& pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* words = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        COLORREF c = pixels[i];
        words[i] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
    return bitmap;
}

std::vector<RECT> rectanglesOf(HRGN region) {
    DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<char> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    GetRegionData(region, size, data);
    const RECT* first = reinterpret_cast<const RECT*>(data->Buffer);
    return std::vector<RECT>(first, first + data->rdh.nCount);
}

bool sameRegion(HRGN region, std::initializer_list<RECT> rects) {
    HRGN expected = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& r : rects) {
        HRGN part = CreateRectRgnIndirect(&r);
        CombineRgn(expected, expected, part, RGN_OR);
        DeleteObject(part);
    }
    bool same = EqualRgn(region, expected) != 0;
    DeleteObject(expected);
    return same;
}

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 160, 0);

// --- tracing ----------------------------------------------------------------------------

TEST(Trace, TransparentLeftPixelLeavesTheRightOne) {
    HBITMAP bitmap = makeBitmap(2, 1, {kWhite, kRed});
    HRGN region = win::traceBitmapRegion(bitmap, kWhite);
    ASSERT_NE(region, nullptr);
    auto rects = rectanglesOf(region);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].left, 1);
    EXPECT_EQ(rects[0].top, 0);
    EXPECT_EQ(rects[0].right, 2);
    EXPECT_EQ(rects[0].bottom, 1);
    DeleteObject(region);
    DeleteObject(bitmap);
}

TEST(Trace, RowsAreReadFromTheTop) {
    // Opaque: the whole top row, the middle pixel of the second row.
    HBITMAP bitmap = makeBitmap(3, 2, {kRed, kRed, kRed, kWhite, kBlue, kWhite});
    HRGN region = win::traceBitmapRegion(bitmap, kWhite);
    EXPECT_TRUE(sameRegion(region, {{0, 0, 3, 1}, {1, 1, 2, 2}}));
    DeleteObject(region);
    DeleteObject(bitmap);
}

TEST(Trace, NoTransparentPixelGivesTheWholeBitmap) {
    HBITMAP bitmap = makeBitmap(3, 4, std::vector<COLORREF>(12, kGreen));
    int chunks = 0;
    HRGN region = win::traceBitmapRegion(bitmap, kWhite, &chunks);
    EXPECT_TRUE(sameRegion(region, {{0, 0, 3, 4}}));
    EXPECT_EQ(chunks, 1);
    DeleteObject(region);
    DeleteObject(bitmap);
}

TEST(Trace, FullyTransparentBitmapGivesAnEmptyRegion) {
    HBITMAP bitmap = makeBitmap(4, 3, std::vector<COLORREF>(12, kWhite));
    HRGN region = win::traceBitmapRegion(bitmap, kWhite);
    ASSERT_NE(region, nullptr) << "empty, but a region";
    RECT box{};
    EXPECT_EQ(GetRgnBox(region, &box), NULLREGION);
    DeleteObject(region);
    DeleteObject(bitmap);
}

TEST(Trace, TransparentColourIsMatchedAsAColorref) {
    // Red is transparent; blue (its byte-swapped twin) stays.
    HBITMAP bitmap = makeBitmap(3, 1, {kRed, kBlue, kRed});
    HRGN region = win::traceBitmapRegion(bitmap, kRed);
    EXPECT_TRUE(sameRegion(region, {{1, 0, 2, 1}}));
    DeleteObject(region);
    region = win::traceBitmapRegion(bitmap, kBlue);
    EXPECT_TRUE(sameRegion(region, {{0, 0, 1, 1}, {2, 0, 3, 1}}));
    DeleteObject(region);
    DeleteObject(bitmap);
}

TEST(Trace, NotABitmapGivesNoRegion) {
    HBRUSH brush = CreateSolidBrush(kRed);
    EXPECT_EQ(win::traceBitmapRegion(reinterpret_cast<HBITMAP>(brush), kWhite), nullptr);
    EXPECT_EQ(win::traceBitmapRegion(nullptr, kWhite), nullptr);
    DeleteObject(brush);
}

// A checkerboard of isolated opaque pixels: every run is one pixel, and no
// two runs touch, so the region keeps one rectangle per run.
HBITMAP checkerboard(int width, int rows, int extraRuns) {
    std::vector<COLORREF> pixels(std::size_t(width) * std::size_t(rows + 1), kWhite);
    for (int y = 0; y < rows; ++y)
        for (int x = (y % 2); x < width; x += 2)
            pixels[std::size_t(y) * width + x] = kRed;
    for (int i = 0; i < extraRuns; ++i)
        pixels[std::size_t(rows) * width + std::size_t(2 * i + (rows % 2))] = kRed;
    return makeBitmap(width, rows + 1, pixels);
}

TEST(Trace, ThousandRunsMakeOneChunkAndTheNextRunASecond) {
    HBITMAP bitmap = checkerboard(40, 50, 0); // 50 rows of 20 runs
    int chunks = 0;
    HRGN region = win::traceBitmapRegion(bitmap, kWhite, &chunks);
    EXPECT_EQ(rectanglesOf(region).size(), 1000u);
    EXPECT_EQ(chunks, 1);
    DeleteObject(region);
    DeleteObject(bitmap);

    bitmap = checkerboard(40, 50, 1);
    region = win::traceBitmapRegion(bitmap, kWhite, &chunks);
    EXPECT_EQ(rectanglesOf(region).size(), 1001u);
    EXPECT_EQ(chunks, 2);
    RECT last{};
    GetRgnBox(region, &last);
    EXPECT_EQ(last.bottom, 51) << "the run of the second chunk is in the region";
    DeleteObject(region);
    DeleteObject(bitmap);

    bitmap = checkerboard(40, 120, 0); // 2400 runs
    region = win::traceBitmapRegion(bitmap, kWhite, &chunks);
    EXPECT_EQ(rectanglesOf(region).size(), 2400u);
    EXPECT_EQ(chunks, 3);
    DeleteObject(region);
    DeleteObject(bitmap);
}

// --- window regions -------------------------------------------------------------------------

class Shape : public ::testing::Test {
  protected:
    void SetUp() override {
        wt::startLibrary();
        window = wt::newPlainWindow(nullptr, 0, WS_POPUP);
        SetWindowPos(window, nullptr, 0, 0, 100, 80, SWP_NOMOVE | SWP_NOZORDER);
        object = win::newWindowObject<wt::RecordingWindow>();
        ASSERT_EQ(object->attachWindow(window), window);
    }
    void TearDown() override {
        DestroyWindow(window);
        object->release();
        rt::free(object);
    }
    // The window's region now, or null if it has none.
    HRGN windowRegion() {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        if (GetWindowRgn(window, region) == ERROR) {
            DeleteObject(region);
            return nullptr;
        }
        return region;
    }
    HWND window = nullptr;
    wt::RecordingWindow* object = nullptr;
};

TEST_F(Shape, RegionFromBitmapCutsAwayWhiteByDefaultAndTakesTheBitmap) {
    HBITMAP bitmap = makeBitmap(3, 2, {kWhite, kRed, kRed, kBlue, kWhite, kWhite});
    EXPECT_TRUE(object->setRegionFromBitmap(bitmap, {}, false));
    EXPECT_EQ(GetObjectType(bitmap), 0u) << "deleted once traced";
    HRGN region = windowRegion();
    ASSERT_NE(region, nullptr);
    EXPECT_TRUE(sameRegion(region, {{1, 0, 3, 1}, {0, 1, 1, 2}}));
    DeleteObject(region);
}

TEST_F(Shape, RegionFromSomethingElseChangesNothing) {
    HBRUSH brush = CreateSolidBrush(kRed);
    EXPECT_FALSE(object->setRegionFromBitmap(reinterpret_cast<HBITMAP>(brush), kWhite, true));
    EXPECT_EQ(windowRegion(), nullptr);
    EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH)) << "left alone";
    DeleteObject(brush);
}

TEST_F(Shape, FullyTransparentBitmapMakesTheWindowInvisible) {
    HBITMAP bitmap = makeBitmap(2, 2, std::vector<COLORREF>(4, kGreen));
    EXPECT_TRUE(object->setRegionFromBitmap(bitmap, kGreen, false));
    HRGN region = windowRegion();
    ASSERT_NE(region, nullptr);
    RECT box{};
    EXPECT_EQ(GetRgnBox(region, &box), NULLREGION);
    DeleteObject(region);
}

TEST_F(Shape, RoundRegionCoversTheWindowButItsCorners) {
    EXPECT_TRUE(object->setRoundRegion(30, false));
    HRGN region = windowRegion();
    ASSERT_NE(region, nullptr);
    RECT box{};
    GetRgnBox(region, &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_GE(box.right, 99);
    EXPECT_GE(box.bottom, 79);
    EXPECT_FALSE(PtInRegion(region, 1, 1));
    EXPECT_FALSE(PtInRegion(region, 98, 78));
    EXPECT_TRUE(PtInRegion(region, 50, 1));
    EXPECT_TRUE(PtInRegion(region, 1, 40));
    DeleteObject(region);
}

TEST_F(Shape, GivenRegionBecomesTheWindows) {
    HRGN given = CreateRectRgn(0, 0, 60, 10);
    HRGN second = CreateRectRgn(20, 10, 40, 50);
    CombineRgn(given, given, second, RGN_OR);
    DeleteObject(second);
    EXPECT_TRUE(object->setRegion(given));
    HRGN region = windowRegion();
    ASSERT_NE(region, nullptr);
    EXPECT_TRUE(sameRegion(region, {{0, 0, 60, 10}, {20, 10, 40, 50}}));
    DeleteObject(region);
}

// --- the dialog's background ------------------------------------------------------------------

// A 32-bit canvas of the dialog's client size, filled with a colour that
// no background here uses.
class Background : public ::testing::Test {
  protected:
    static constexpr COLORREF kUntouched = RGB(1, 2, 3);

    void SetUp() override {
        wt::startLibrary();
        dialog = win::newWindowObject<OpenDialog>();
        ASSERT_TRUE(dialog->showModeless({}, MAKEINTRESOURCEA(100), nullptr, nullptr));
        window = dialog->handle();
        RECT client{};
        GetClientRect(window, &client);
        width = client.right;
        height = client.bottom;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        canvas = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<std::uint32_t*>(bits);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, canvas);
    }
    void TearDown() override {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(canvas);
        DestroyWindow(window);
        dialog->release();
        rt::free(dialog);
    }
    // Erases the canvas through the dialog's window procedure; returns what
    // the erase reported.
    LRESULT erase() {
        RECT all{0, 0, width, height};
        HBRUSH fill = CreateSolidBrush(kUntouched);
        FillRect(dc, &all, fill);
        DeleteObject(fill);
        GdiFlush();
        LRESULT result = SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        GdiFlush();
        return result;
    }
    COLORREF at(int x, int y) const {
        std::uint32_t p = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // A picture with a colour per quadrant: top-left, top-right,
    // bottom-left, bottom-right.
    static HBITMAP quadrants(int side, COLORREF tl, COLORREF tr, COLORREF bl, COLORREF br) {
        std::vector<COLORREF> p(std::size_t(side) * side);
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                p[std::size_t(y) * side + x] =
                    y < side / 2 ? (x < side / 2 ? tl : tr) : (x < side / 2 ? bl : br);
        return makeBitmap(side, side, p);
    }

    OpenDialog* dialog = nullptr;
    HWND window = nullptr;
    int width = 0, height = 0;
    HBITMAP canvas = nullptr;
    std::uint32_t* pixels = nullptr;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
};

TEST_F(Background, NewDialogPaintsTheButtonFaceColour) {
    EXPECT_EQ(erase(), 1);
    EXPECT_EQ(at(0, 0), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(at(width - 1, height - 1), GetSysColor(COLOR_BTNFACE));
}

TEST_F(Background, ColourFillsTheClientArea) {
    EXPECT_EQ(dialog->backgroundColor(RGB(10, 200, 30)), RGB(10, 200, 30));
    EXPECT_EQ(dialog->backgroundColor(), RGB(10, 200, 30));
    EXPECT_EQ(erase(), 1);
    EXPECT_EQ(at(0, 0), RGB(10, 200, 30));
    EXPECT_EQ(at(width / 2, height / 2), RGB(10, 200, 30));
    EXPECT_EQ(at(width - 1, height - 1), RGB(10, 200, 30));
}

TEST_F(Background, PictureModeZeroTilesThePicture) {
    HBITMAP picture = quadrants(2, kRed, kBlue, kGreen, kWhite);
    HGDIOBJ brush = dialog->backgroundPicture(picture, 0);
    EXPECT_EQ(brush, dialog->brush());
    EXPECT_EQ(dialog->backgroundPicture(), picture);
    EXPECT_EQ(erase(), 1);
    for (int y : {0, 1, 10, 11})
        for (int x : {0, 1, 20, 21}) {
            COLORREF expected =
                y % 2 == 0 ? (x % 2 == 0 ? kRed : kBlue) : (x % 2 == 0 ? kGreen : kWhite);
            EXPECT_EQ(at(x, y), expected) << x << "," << y;
        }
}

TEST_F(Background, PictureModeOneOnceAtItsOwnSizeOverTheColour) {
    dialog->backgroundColor(kGreen, false);
    HBITMAP picture = makeBitmap(4, 3, std::vector<COLORREF>(12, kRed));
    dialog->backgroundPicture(picture, 1);
    EXPECT_EQ(erase(), 1);
    EXPECT_EQ(at(0, 0), kRed);
    EXPECT_EQ(at(3, 2), kRed);
    EXPECT_EQ(at(4, 0), kGreen);
    EXPECT_EQ(at(0, 3), kGreen);
    EXPECT_EQ(at(width - 1, height - 1), kGreen);
}

TEST_F(Background, PictureModeTwoStretchesOverTheClientArea) {
    dialog->backgroundPicture(quadrants(2, kRed, kBlue, kGreen, kWhite), 2);
    EXPECT_EQ(erase(), 1);
    EXPECT_EQ(at(width / 4, height / 4), kRed);
    EXPECT_EQ(at(3 * width / 4, height / 4), kBlue);
    EXPECT_EQ(at(width / 4, 3 * height / 4), kGreen);
    EXPECT_EQ(at(width - 1, height - 1), kWhite);
}

TEST_F(Background, ColourAfterATiledPictureReplacesThePatternButKeepsThePicture) {
    HBITMAP picture = quadrants(2, kRed, kBlue, kGreen, kWhite);
    dialog->backgroundPicture(picture, 0);
    HBRUSH pattern = dialog->brush();
    dialog->backgroundColor(kBlue);
    EXPECT_EQ(GetObjectType(pattern), 0u) << "the pattern brush was deleted";
    EXPECT_EQ(dialog->backgroundPicture(), picture);
    erase();
    EXPECT_EQ(at(0, 0), kBlue);
    EXPECT_EQ(at(1, 0), kBlue);
}

TEST_F(Background, NoPictureInModeZeroPaintsNothingButStillReportsErased) {
    dialog->backgroundPicture(nullptr, 0);
    EXPECT_EQ(dialog->brush(), nullptr);
    EXPECT_EQ(erase(), 1);
    EXPECT_EQ(at(0, 0), kUntouched);
    // A mode beyond 2 paints nothing either.
    dialog->backgroundPicture(makeBitmap(2, 2, std::vector<COLORREF>(4, kRed)), 3);
    EXPECT_EQ(erase(), 1);
    EXPECT_EQ(at(0, 0), kUntouched);
}

TEST_F(Background, ReplacedPictureAndBrushAreDeleted) {
    HBITMAP first = makeBitmap(2, 2, std::vector<COLORREF>(4, kRed));
    HBITMAP second = makeBitmap(2, 2, std::vector<COLORREF>(4, kBlue));
    dialog->backgroundPicture(first, 0);
    HBRUSH firstBrush = dialog->brush();
    dialog->backgroundPicture(second, 0);
    EXPECT_EQ(GetObjectType(first), 0u);
    EXPECT_EQ(GetObjectType(firstBrush), 0u);
    EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_BITMAP));
    dialog->backgroundPicture(second, 1); // the same picture again stays
    EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_BITMAP));
    erase();
    EXPECT_EQ(at(0, 0), kBlue);
}

TEST_F(Background, RedrawUnlessRefused) {
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    RECT update{};
    ASSERT_FALSE(GetUpdateRect(window, &update, FALSE));
    dialog->backgroundColor(kRed, false);
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE));
    dialog->backgroundColor(kBlue);
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
    ValidateRect(window, nullptr);
    dialog->backgroundPicture(makeBitmap(2, 2, std::vector<COLORREF>(4, kRed)), 2, false);
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE));
    dialog->backgroundPicture(makeBitmap(2, 2, std::vector<COLORREF>(4, kRed)), 2, true);
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
}

TEST_F(Background, RepaintOfTheShownWindowUsesTheBackground) {
    dialog->backgroundColor(RGB(200, 100, 50), false);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC screen = GetDC(window);
    BitBlt(dc, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ReleaseDC(window, screen);
    GdiFlush();
    EXPECT_EQ(at(width - 2, height - 2), RGB(200, 100, 50));
    EXPECT_EQ(at(1, height - 2), RGB(200, 100, 50));
}

} // namespace
