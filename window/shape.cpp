// Window shape: a given region, a rectangle with round corners, or a region
// traced from a bitmap in which one colour is transparent.
#include <cstring>
#include <utility>

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
    ~Tracer() { rt::free(chunk_); }
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
        return region_.release();
    }

  private:
    void start() {
        std::memset(&chunk_->header, 0, sizeof chunk_->header);
        chunk_->header.dwSize = sizeof(RGNDATAHEADER);
        chunk_->header.iType = RDH_RECTANGLES;
    }

    void flush() {
        Region part(ExtCreateRegion(nullptr, kChunkBytes, reinterpret_cast<RGNDATA*>(chunk_)));
        if (!part) return;
        ++chunks_;
        if (!region_)
            region_ = std::move(part);
        else
            CombineRgn(region_.get(), region_.get(), part.get(), RGN_OR);
    }

    Chunk* chunk_;
    Region region_;
    int chunks_ = 0;
};

// The pixel word of a 32-bit DIB holds blue in its low byte; a COLORREF red.
std::uint32_t pixelOf(COLORREF color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

// Sets the region, which then belongs to the system; a refused region is
// deleted here.
bool giveRegion(HWND window, HRGN region, bool redraw) {
    Region owned(region);
    if (!SetWindowRgn(window, region, redraw)) return false;
    owned.release();
    return true;
}

} // namespace

HRGN traceBitmapRegion(HBITMAP bitmap, COLORREF transparent, int* chunks) {
    if (chunks) *chunks = 0;
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return nullptr;
    const LONG width = info.bmWidth;
    const LONG height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return nullptr;

    BITMAPINFO dib{};
    dib.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    dib.bmiHeader.biWidth = width;
    dib.bmiHeader.biHeight = height; // bottom-up: the first row in memory is the bottom one
    dib.bmiHeader.biPlanes = 1;
    dib.bmiHeader.biBitCount = 32;
    dib.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap section(CreateDIBSection(dc.get(), &dib, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || !bits) return nullptr;
    Selection sectionSelected(dc.get(), section.get());
    {
        MemoryDc source(CreateCompatibleDC(nullptr));
        if (!source) return nullptr;
        Selection bitmapSelected(source.get(), bitmap);
        BitBlt(dc.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
    }
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
    return tracer.finish(chunks);
}

bool Window::setRegion(HRGN region) {
    return giveRegion(handle_, region, true);
}

bool Window::setRegionFromBitmap(HBITMAP bitmap, std::optional<COLORREF> transparent, bool redraw) {
    HRGN region = traceBitmapRegion(bitmap, transparent.value_or(0xFFFFFF));
    if (!region) return false;
    Bitmap traced(bitmap); // the picture is used up once its region exists
    return giveRegion(handle_, region, redraw);
}

bool Window::setRoundRegion(int diameter, bool redraw) {
    RECT r{};
    GetWindowRect(handle_, &r);
    HRGN region = CreateRoundRectRgn(0, 0, r.right - r.left, r.bottom - r.top, diameter, diameter);
    if (!region) return false;
    return giveRegion(handle_, region, redraw);
}

} // namespace win
