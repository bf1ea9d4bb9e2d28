// The process entry: start-up of the runtime and the main sequence.
#include <windows.h>

#include "app/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return app::runEntry();
}
