// Move-only owners of Win32 handles, one handle wide, one kind of release
// each: GDI objects, memory DCs, DCs borrowed from a window, cursors, icons,
// hooks, and a guard that puts back what SelectObject replaced. Whoever holds one
// releases exactly once, on every path.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

// How each kind of handle is given back.
namespace releasers {
struct GdiObject {
    void operator()(HGDIOBJ handle) const { DeleteObject(handle); }
};
struct MemoryDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct Cursor {
    void operator()(HCURSOR cursor) const { DestroyCursor(cursor); }
};
struct Icon {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct Hook {
    void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};
} // namespace releasers

// The owner of one handle whose release is a single call.
template <class H, class Release> class Owned {
  public:
    Owned() = default;
    explicit Owned(H handle) : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    H get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // Gives the handle up without releasing it.
    H release() { return std::exchange(handle_, nullptr); }

    // Takes a new handle and releases the old one. A handle given again is
    // the one already held: it is kept, not released.
    void reset(H handle = nullptr) {
        H old = std::exchange(handle_, handle);
        if (old && old != handle) Release{}(old);
    }

  private:
    H handle_ = nullptr;
};

// GDI objects of any type; the template parameter keeps the handle's type.
template <class H> using Gdi = Owned<H, releasers::GdiObject>;
using Brush = Gdi<HBRUSH>;
using Pen = Gdi<HPEN>;
using Font = Gdi<HFONT>;
using Bitmap = Gdi<HBITMAP>;
using Region = Gdi<HRGN>;

// A memory DC (CreateCompatibleDC), released with DeleteDC.
using MemoryDc = Owned<HDC, releasers::MemoryDc>;
using Cursor = Owned<HCURSOR, releasers::Cursor>;
using Icon = Owned<HICON, releasers::Icon>;
// A hook set with SetWindowsHookEx.
using Hook = Owned<HHOOK, releasers::Hook>;

// A DC borrowed with GetDC or GetWindowDC, given back to its window.
class WindowDc {
  public:
    WindowDc() = default;
    WindowDc(HWND window, HDC dc) : window_(window), dc_(dc) {}
    static WindowDc client(HWND window) { return WindowDc(window, GetDC(window)); }
    static WindowDc whole(HWND window) { return WindowDc(window, GetWindowDC(window)); }
    ~WindowDc() { reset(); }
    WindowDc(WindowDc&& other) noexcept
        : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDc& operator=(WindowDc&& other) noexcept {
        if (this != &other) {
            reset();
            window_ = other.window_;
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    void reset() {
        if (dc_) ReleaseDC(window_, std::exchange(dc_, nullptr));
    }

  private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// Selects an object into a DC and puts the replaced one back when it ends,
// so that the selected object can be deleted afterwards. Declare it after
// the owner of the object it selects: it ends first.
class Selection {
  public:
    Selection() = default;
    Selection(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~Selection() { restore(); }
    Selection(Selection&& other) noexcept
        : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
    Selection& operator=(Selection&& other) noexcept {
        if (this != &other) {
            restore();
            dc_ = other.dc_;
            previous_ = std::exchange(other.previous_, nullptr);
        }
        return *this;
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

    // Puts the replaced object back now.
    void restore() {
        if (previous_) SelectObject(dc_, std::exchange(previous_, nullptr));
    }

  private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// Window objects keep owners in their fixed word-sized fields.
static_assert(sizeof(Brush) == sizeof(HBRUSH) && sizeof(Font) == sizeof(HFONT) &&
                  sizeof(MemoryDc) == sizeof(HDC) && sizeof(Cursor) == sizeof(HCURSOR) &&
                  sizeof(Icon) == sizeof(HICON),
              "an owner is one handle wide");

} // namespace win
