// The tray icon of a Dialog: its record, the shell call behind it, and the
// hotkey ids. The operations themselves are members of Dialog.
#pragma once

#include <windows.h>

#include <shellapi.h>

namespace win {

// The record in its form with the balloon fields and without the later
// ones; cbSize says so to the shell. Taken from the compiler, so the 64-bit
// build sends its own size.
constexpr DWORD kTrayRecordSize = NOTIFYICONDATAA_V2_SIZE;
#if defined(__i386__)
static_assert(kTrayRecordSize == 488, "the tray record with its balloon fields");
#endif

// The tray icon's id within its window.
constexpr UINT kTrayIconId = 1;

// Every tray operation reaches the shell through this call; tests put a
// recorder in its place. Null puts Shell_NotifyIconA back. Returns the call
// that was in place.
using NotifyIconCall = BOOL(WINAPI*)(DWORD message, NOTIFYICONDATAA* record);
NotifyIconCall setNotifyIconCall(NotifyIconCall call);

} // namespace win
