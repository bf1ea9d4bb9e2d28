#include "app/libraries.h"

#include "controls/folder_browser.h"
#include "runtime/process.h"
#include "skin/skin_library.h"

namespace app {

void installCommandLibraries() {
    static const rt::NotifyFunction kLinked[] = {&skin::skinNotify, &folderbrowser::notify};
    rt::setLibraryNotifyTable(kLinked, 2);
}

} // namespace app
