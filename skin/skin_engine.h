// Inside the skin engine: the per-window skin record and its list, the
// classification of controls, the subclass procedure with its state step,
// and the painters with their drawing helpers. Everything runs on the thread
// that switched the engine on.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "window/handles.h"

namespace skin {

// --- control kinds -----------------------------------------------------------

enum Kind : std::int32_t {
    kNotAControl = -1,
    kPushButton = 0,
    kCheckBox = 1,
    kRadioButton = 2,
    kEdit = 3,
    kComboBox = 4,
    kUpDown = 5,
    kScrollBar = 6,
    kMonthCalendar = 7,
    kTabControl = 8,
    kProgressBar = 9,
    kTrackbar = 10,
    kGroupBox = 11,
    kDropList = 12,
};

// Whether the engine draws (and so subclasses) a kind.
constexpr bool isSkinnedKind(std::int32_t kind) {
    return (kind >= kPushButton && kind <= kUpDown) || kind == kGroupBox || kind == kDropList;
}

// --- state bits (several mean different things for different kinds) ----------

enum StateBit : std::uint32_t {
    kDisabled = 0x1,
    kPressed = 0x2,
    kHot = 0x4,
    kFocused = 0x10,
    kHorizontal = 0x20,       // up-down
    kComboType1 = 0x1000,     // combo box, style type 1
    kComboDropDown = 0x2000,  // combo box, CBS_DROPDOWN
    kComboDropList = 0x4000,  // combo box, CBS_DROPDOWNLIST
    kDefault = 0x10000,       // buttons
    kUpDownOnLeft = 0x10000,  // edit
    kFirstHalf = 0x10000,     // up-down: the mouse is over the left or upper half
    kChecked = 0x20000,       // buttons
    kUpDownOnRight = 0x20000, // edit
    kIndeterminate = 0x40000, // buttons
    kBuddyOnLeft = 0x100000,  // up-down attached on the left of its edit
    kBuddyOnRight = 0x200000, // up-down attached on the right of its edit
    kReadOnly = 0x10000000,   // edit, read at attach only
};

// --- action masks of the state step and the tracker ----------------------------

enum Action : std::uint32_t {
    kRunTracker = 0x10000,
    kPreviousBefore = 0x20000,
    kDefaultBefore = 0x40000,
    kPaint = 0x80000,
    kPreviousAfter = 0x100000,
    kDefaultAfter = 0x200000,
    kAnswerLowWord = 0x800000,
};

// --- the skin record ------------------------------------------------------------

struct SkinRecord {
    HWND hwnd;
    std::int32_t kind;
    std::uint32_t state;
    COLORREF backColor;
    COLORREF textColor;
    HBRUSH backBrush; // borrowed from the parent's colour answer, never deleted
    WNDPROC previousProc;
    SkinRecord* next;
    // Let go of while another procedure sat above skinWindowProc: it paints
    // nothing and forwards every message until the window is gone or
    // skinWindowProc is the installed procedure again.
    bool passive;
};
#if defined(__i386__)
static_assert(offsetof(SkinRecord, backBrush) == 20 && offsetof(SkinRecord, previousProc) == 24 &&
                  offsetof(SkinRecord, next) == 28,
              "the record's fields keep their 32-bit places");
#endif

// The record of the window, or null; a walk from the newest.
SkinRecord* findSkinRecord(HWND hwnd);
// Records in the list, passive ones too unless liveOnly.
std::size_t skinRecordCount(bool liveOnly = false);

// Kind of the window by class name and style, or kNotAControl.
std::int32_t classifyWindow(HWND hwnd);
// Subclasses the window when it is a skinned kind on this thread and has no
// live record yet; the record, or null.
SkinRecord* attachSkin(HWND hwnd);
// Gives the window its previous procedure back while skinWindowProc is still
// the installed one (the record is freed); otherwise the record turns passive.
void detachSkin(HWND hwnd);
// Detaches every live record (switching off).
void detachAllSkins();

LRESULT CALLBACK skinWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
std::uint32_t updateState(SkinRecord& record, UINT message, WPARAM wParam, LPARAM lParam);
std::uint32_t trackCommon(SkinRecord& record, UINT message, WPARAM wParam);

// The scheme the painters use: the stored number, or 1 when it is not 1 to 3.
int paintScheme();

// --- drawing helpers ---------------------------------------------------------------

using Gradient = std::array<std::uint32_t, 4>; // top-left, top-right, bottom-left, bottom-right

// Each channel of the colour minus the same channel of `amount`, at least 0.
COLORREF darker(COLORREF color, COLORREF amount);
COLORREF faceColor();

// The off-screen image of a whole window: opened from the window's current
// image (copyIn) or blank; finish() copies it onto the window. The
// destructor restores and releases everything, also after an early stop.
class PaintBuffer {
  public:
    PaintBuffer(HWND window, bool copyIn);
    PaintBuffer(const PaintBuffer&) = delete;
    PaintBuffer& operator=(const PaintBuffer&) = delete;

    HDC dc() const { return memory_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    void finish();

  private:
    HWND window_;
    int width_ = 0;
    int height_ = 0;
    // Released in reverse: the bitmap is put back out of the memory DC, then
    // deleted, then the DCs go.
    win::WindowDc windowDc_;
    win::MemoryDc memory_;
    win::Bitmap bitmap_;
    win::Selection bitmapSelection_;
};

void fillGradient(HDC dc, const RECT& rect, const Gradient& entry);
void fillSolid(HDC dc, const RECT& rect, COLORREF color);
void frameSolid(HDC dc, const RECT& rect, COLORREF color);

// The cell of the 3 x 3 grid named by the BS_ alignment bits of the style.
std::uint32_t alignCode(std::uint32_t style);

// A caption broken into lines at CR LF and where the next character would
// overflow the width; "&" handled as the system's prefix.
struct CaptionLine {
    int start; // byte offset in the caption
    int bytes;
    int width;
};
// A 255-byte caption makes at most 256 lines (an empty first line, then one
// per character).
constexpr int kMaxCaptionBytes = 255;
constexpr int kMaxCaptionLines = kMaxCaptionBytes + 1;
struct CaptionLayout {
    std::array<CaptionLine, kMaxCaptionLines> lines;
    int count = 0;
    int lineHeight = 0;
};
void layoutCaption(HDC dc, const char* text, int width, CaptionLayout& layout);
void drawWrappedText(HDC dc, const char* text, const RECT& rect, std::uint32_t code, SIZE* sizeOut);
void placeBlock(const SIZE& size, const RECT& rect, RECT& out, std::uint32_t code);

// --- painters ------------------------------------------------------------------

void paintPushButton(SkinRecord& record);
void paintCheckBox(SkinRecord& record);
void paintRadioButton(SkinRecord& record);
void paintGroupBox(SkinRecord& record);
void paintEdit(SkinRecord& record);
void paintComboBox(SkinRecord& record);
void paintUpDown(SkinRecord& record);
void paintDropList(SkinRecord& record);
void paintNothing(SkinRecord& record);

// Arrow button flags above the state bits.
enum ArrowFlag : std::uint32_t {
    kChevron = 0x01000000,
    kTriangle = 0x04000000,
    kPointLeft = 0x08000000,
    kPointUp = 0x10000000,
    kPointRight = 0x20000000,
    kPointDown = 0x40000000,
};
COLORREF schemeFrameColor();
void drawFrame(HDC dc, RECT& rect, std::uint32_t state);
void drawArrowButton(HDC dc, RECT rect, std::uint32_t flags);

// The painter of the record's kind; an exception stops the painting only.
void paintControl(SkinRecord& record) noexcept;

} // namespace skin
