// Window shape: a given region, a rectangle with round corners, or a region
// traced from a bitmap in which one colour is transparent.
#include <cstring>

#include "runtime/memory.h"
#include "window/window.h"

namespace win {

namespace {

constexpr DWORD kChunkBytes = sizeof(RGNDATAHEADER) + kTraceChunk * sizeof(RECT);

// Region data for one chunk: the header and room for a full chunk.
struct Chunk {
    RGNDATAHEADER header;
    RECT rects[kTraceChunk];
};
static_assert(sizeof(Chunk) == kChunkBytes, "region data: header, then the rectangles");

class Tracer {
  public:
    Tracer() : chunk_(static_cast<Chunk*>(rt::allocate(sizeof(Chunk)))) { start(); }
    ~Tracer() {
        rt::free(chunk_);
        if (region_) DeleteObject(region_);
    }
    Tracer(const Tracer&) = delete;
    Tracer& operator=(const Tracer&) = delete;

    void add(LONG left, LONG top, LONG right, LONG bottom) {
        RECT& r = chunk_->rects[chunk_->header.nCount++];
        r = RECT{left, top, right, bottom};
        // The bounds start at (0, 0, 0, 0): only right and bottom grow.
        RECT& bound = chunk_->header.rcBound;
        if (right > bound.right) bound.right = right;
        if (bottom > bound.bottom) bound.bottom = bottom;
        if (chunk_->header.nCount == kTraceChunk) {
            flush();
            start();
        }
    }

    // The last chunk, then the joined region. An empty last chunk only
    // matters when it is the only one: a fully transparent bitmap still
    // gives a (valid, empty) region.
    HRGN finish(int* chunks) {
        if (chunk_->header.nCount > 0 || !region_) flush();
        if (chunks) *chunks = chunks_;
        HRGN region = region_;
        region_ = nullptr;
        return region;
    }

  private:
    void start() {
        std::memset(&chunk_->header, 0, sizeof chunk_->header);
        chunk_->header.dwSize = sizeof(RGNDATAHEADER);
        chunk_->header.iType = RDH_RECTANGLES;
    }

    void flush() {
        HRGN part = ExtCreateRegion(nullptr, kChunkBytes, reinterpret_cast<RGNDATA*>(chunk_));
        if (!part) return;
        ++chunks_;
        if (!region_) {
            region_ = part;
            return;
        }
        CombineRgn(region_, region_, part, RGN_OR);
        DeleteObject(part);
    }

    Chunk* chunk_;
    HRGN region_ = nullptr;
    int chunks_ = 0;
};

// The pixel word of a 32-bit DIB holds blue in its low byte; a COLORREF red.
std::uint32_t pixelOf(COLORREF color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

// Sets the region, which then belongs to the system; a refused region is
// deleted here.
bool giveRegion(HWND window, HRGN region, bool redraw) {
    if (SetWindowRgn(window, region, redraw)) return true;
    DeleteObject(region);
    return false;
}

} // namespace

HRGN traceBitmapRegion(HBITMAP bitmap, COLORREF transparent, int* chunks) {
    if (chunks) *chunks = 0;
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return nullptr;
    const LONG width = info.bmWidth;
    const LONG height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;

    BITMAPINFO dib{};
    dib.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    dib.bmiHeader.biWidth = width;
    dib.bmiHeader.biHeight = height; // bottom-up: the first row in memory is the bottom one
    dib.bmiHeader.biPlanes = 1;
    dib.bmiHeader.biBitCount = 32;
    dib.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &dib, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section || !bits) {
        if (section) DeleteObject(section);
        DeleteDC(dc);
        return nullptr;
    }
    HGDIOBJ oldSection = SelectObject(dc, section);
    HDC source = CreateCompatibleDC(nullptr);
    if (!source) {
        SelectObject(dc, oldSection);
        DeleteObject(section);
        DeleteDC(dc);
        return nullptr;
    }
    HGDIOBJ oldBitmap = SelectObject(source, bitmap);
    BitBlt(dc, 0, 0, width, height, source, 0, 0, SRCCOPY);
    SelectObject(source, oldBitmap);
    DeleteDC(source);
    GdiFlush(); // the section's pixels are read directly below

    const std::uint32_t clear = pixelOf(transparent) & 0xFFFFFF;
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    Tracer tracer;
    for (LONG r = 0; r < height; ++r) {
        const std::uint32_t* row = pixels + std::size_t(height - 1 - r) * std::size_t(width);
        LONG x = 0;
        while (x < width) {
            LONG x0 = x;
            while (x < width && (row[x] & 0xFFFFFF) != clear)
                ++x;
            if (x > x0) tracer.add(x0, r, x, r + 1);
            ++x; // over the transparent pixel
        }
    }
    HRGN region = tracer.finish(chunks);

    SelectObject(dc, oldSection);
    DeleteObject(section);
    DeleteDC(dc);
    return region;
}

bool Window::setRegion(HRGN region) {
    return giveRegion(handle_, region, true);
}

bool Window::setRegionFromBitmap(HBITMAP bitmap, std::optional<COLORREF> transparent, bool redraw) {
    HRGN region = traceBitmapRegion(bitmap, transparent.value_or(0xFFFFFF));
    if (!region) return false;
    bool set = giveRegion(handle_, region, redraw);
    DeleteObject(bitmap);
    return set;
}

bool Window::setRoundRegion(int diameter, bool redraw) {
    RECT r{};
    GetWindowRect(handle_, &r);
    HRGN region = CreateRoundRectRgn(0, 0, r.right - r.left, r.bottom - r.top, diameter, diameter);
    if (!region) return false;
    return giveRegion(handle_, region, redraw);
}

} // namespace win
