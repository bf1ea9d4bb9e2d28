// Helpers of the skin engine's tests: the engine switched through its
// library command, a visible host window for controls, message pumping and
// pixels read back from a control as it is shown.
#pragma once

#include <windows.h>

#include <functional>
#include <gtest/gtest.h>

#include "skin/skin_engine.h"
#include "skin/skin_library.h"

namespace skintest {

// applySkin through the library command call, as the tool calls it.
int applySkin(int scheme);

// Runs pending messages of the thread.
void pump();
// Pumps until the condition holds; false on time-out.
bool pumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 3000);

// A visible popup host at the desktop's top-left, painted in the face colour.
HWND newHost(int width = 640, int height = 480);
HWND newControl(HWND parent, const char* className, const char* text, DWORD style, int x, int y,
                int width, int height, DWORD extendedStyle = 0, int id = 0);
// A dialog from a template of the test program (no dialog procedure logic).
HWND newDialog(int templateId);

// Repaints the window now (erase, frame and client) and reads a pixel in
// window coordinates.
void repaint(HWND window);
COLORREF pixel(HWND window, int x, int y);
// How many pixels of the whole window have exactly this colour.
int countPixels(HWND window, COLORREF color);
SIZE windowSize(HWND window);

// Moves the real cursor onto the window's centre (or away, to the desktop's
// far corner) and pumps until the engine saw it.
void hover(HWND window);
void leave();

// GDI objects of the process: GetGuiResources, or where it answers 0 (Wine
// does), the live entries of the process's shared GDI handle table.
DWORD gdiObjectCount();

// A face-derived grey as the engine derives it: each channel less, at 0.
COLORREF faceLess(COLORREF amount);

// Every test starts with the engine off, scheme 1, the window library
// ready, and leaves it off with no record.
class SkinTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    HWND host_ = nullptr;
};

} // namespace skintest
