// Closing the tool's dialog, whatever it is doing: work in progress stops
// first; one of the tool's own dialogs or boxes (the Open dialog, the folder
// browser, a message box: none has an owner, so the close button still
// works) is dismissed at once, as its own close button would; afterwards
// nothing new starts.
#pragma once

#include <cstdint>

namespace app {

// The dialog's close handler: answers 1 (the close refused) while work is in
// progress, which closes the dialog once it has stopped; else the dialog's
// own dialogs and boxes are told to close and the dialog ends (0).
std::intptr_t toolCloseRequested();

// Closing was asked: no import, export, box or dialog may start any more.
bool toolClosing();

} // namespace app
