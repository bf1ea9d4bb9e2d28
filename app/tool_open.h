// The ways a file reaches the tool besides its Open dialog: dropped on the
// dialog, or named on the command line ("Open with", a file dropped on the
// program's icon, a shortcut with a path). Each is imported as a file chosen
// in the Open dialog is.
#pragma once

#include <windows.h>

#include <cstdint>

namespace app {

// The dialog takes dropped files; a file named on the command line is
// imported once the dialog is up and the tool is free (tried again while it
// is busy, forgotten only when it closes), a folder ignored as a dropped
// one is. Called by the dialog's initialisation.
void acceptFilesFor(HWND dialog);

// The file-drop handler: the first of the names ("\r\n" between them) is
// imported; a folder, or a drop while the tool works or has one of its own
// dialogs or boxes up, changes nothing.
std::intptr_t filesDropped(const char* names);

// The path the arguments name (the text after the program name): within
// double quotes; else the shortest run of blank-separated words that names a
// file, or failing that the whole text without the blanks around it; made
// full against the working folder. A fresh text, empty when there is none.
char* pathFromArguments(const char* arguments);

} // namespace app
