#include "app/tool_menu.h"

#include "app/tool_dialog.h"
#include "menu/menu.h"
#include "runtime/memory.h"

namespace app {

namespace {

// Item commands: below the system's own (0xF000 and up), with the low four
// bits clear, which the system keeps for itself in a system-menu command.
constexpr UINT kFirstCommand = 0x0100;
constexpr UINT kCommandStep = 0x10;

constexpr UINT kModes = 4;
const char* const kModeTexts[kModes] = {"按行数", "按大小", "平均分成N份", "按章节"};
// Each fits the label's 40 dialog units.
const char* const kCountLabels[kModes] = {"欲分割数：", "每份KB：", "分成份数：", "每份章数："};

constexpr UINT kOptions = 4;
const char* const kOptionTexts[kOptions] = {
    "每个文本保留首行",
    "单独的LF也分行(下次导入起)", // the lines are cut at import
    "文件名用原文件名_N",
    "编号补零(001)",
};
bool SplitOptions::*const kOptionFields[kOptions] = {&SplitOptions::header, &SplitOptions::loneLf,
                                                     &SplitOptions::sourceNames,
                                                     &SplitOptions::padded};

const char kSplitMenuText[] = "分割方式";

UINT commandAt(UINT index) {
    return kFirstCommand + index * kCommandStep;
}

SplitOptions gOptions;

struct ToolMenus {
    win::Menu* popup = nullptr;       // the right click's; destroyed at exit
    win::Menu* system = nullptr;      // the dialog's system menu
    win::Menu* systemSplit = nullptr; // its "分割方式", which goes with it
    UINT splitPosition = 0;           // where that sits in the system menu
};
ToolMenus gMenus;

// The same items in both menus: the modes, then the options.
void fill(win::Menu* menu) {
    for (UINT i = 0; i < kModes; ++i)
        menu->appendItem(kModeTexts[i], commandAt(i));
    menu->appendSeparator();
    for (UINT i = 0; i < kOptions; ++i)
        menu->appendItem(kOptionTexts[i], commandAt(kModes + i));
}

void mark(win::Menu* menu) {
    if (!menu || !menu->getHandle()) return;
    menu->checkRadioItem(static_cast<UINT>(gOptions.mode), 0, kModes - 1);
    for (UINT i = 0; i < kOptions; ++i)
        menu->checkItem(commandAt(kModes + i), gOptions.*kOptionFields[i]);
}

void showChoices() {
    mark(gMenus.popup);
    mark(gMenus.systemSplit);
    rt::free(tool().label->caption(countLabel(gOptions.mode)));
}

} // namespace

const SplitOptions& splitOptions() {
    return gOptions;
}

const char* countLabel(SplitMode mode) {
    return kCountLabels[static_cast<UINT>(mode)];
}

void setUpToolMenus(HWND dialog) {
    releaseToolMenus();
    gMenus.popup = win::newMenuObject();
    if (gMenus.popup->createPopup()) fill(gMenus.popup);
    gMenus.system = win::newMenuObject();
    gMenus.systemSplit = win::newMenuObject();
    if (gMenus.system->takeSystemMenu(dialog) && gMenus.systemSplit->createPopup()) {
        fill(gMenus.systemSplit);
        gMenus.system->appendSeparator();
        gMenus.splitPosition = static_cast<UINT>(gMenus.system->getItemCount());
        if (!gMenus.system->appendSubMenu(gMenus.systemSplit, kSplitMenuText))
            gMenus.systemSplit->destroy();
    }
    showChoices();
    tool().dialog->setContextMenuHandler(win::handlerOf(&toolContextMenu));
    tool().dialog->setMenuCommandHandler(win::handlerOf(&toolMenuCommand));
}

void releaseToolMenus() {
    if (gMenus.popup) gMenus.popup->destroy();
    win::releaseObject(gMenus.popup);
    win::releaseObject(gMenus.system);
    win::releaseObject(gMenus.systemSplit);
}

void toolMenusAvailable(bool available) {
    if (!gMenus.system || !gMenus.systemSplit->getHandle()) return;
    gMenus.system->setItemState(gMenus.splitPosition, available ? MFS_ENABLED : MFS_GRAYED, true);
}

std::intptr_t toolContextMenu(std::intptr_t x, std::intptr_t y, HWND) {
    HWND dialog = tool().dialog->handle();
    POINT at{static_cast<LONG>(x), static_cast<LONG>(y)};
    if (x == -1 && y == -1) {
        // From the keyboard: below the item that has the focus.
        HWND focus = GetFocus();
        RECT item{};
        if (focus && IsChild(dialog, focus) && GetWindowRect(focus, &item)) {
            at = {item.left, item.bottom};
        } else {
            at = {0, 0};
            ClientToScreen(dialog, &at);
        }
    } else {
        // On the caption the system menu opens, as in every window.
        POINT client = at;
        ScreenToClient(dialog, &client);
        RECT area{};
        GetClientRect(dialog, &area);
        if (!PtInRect(&area, client)) return 0;
    }
    if (!toolBusy() && gMenus.popup && gMenus.popup->getHandle())
        gMenus.popup->trackPopup(at.x, at.y, dialog,
                                 TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON);
    return 1;
}

std::intptr_t toolMenuCommand(std::intptr_t id) {
    // Nothing changes under work or one of the tool's boxes.
    if (toolBusy() || id < std::intptr_t{kFirstCommand}) return 0;
    const auto offset = static_cast<UINT>(id) - kFirstCommand;
    const UINT index = offset / kCommandStep;
    if (offset % kCommandStep || index >= kModes + kOptions) return 0;
    if (index < kModes) {
        gOptions.mode = static_cast<SplitMode>(index);
    } else {
        bool& on = gOptions.*kOptionFields[index - kModes];
        on = !on;
    }
    showChoices();
    return 0;
}

} // namespace app
