// The tool's dialog: wires the application's window objects to the items of
// dialog template 1000 and its two buttons to import and export.
#pragma once

#include <windows.h>

#include <cstdint>

#include "controls/control.h"
#include "controls/file_dialog.h"
#include "window/dialog.h"

namespace app {

// Resources of the tool.
constexpr int kToolTemplate = 1000;
constexpr int kToolIcon = 129;
// Items of the template.
constexpr int kLabelItem = 1001;
constexpr int kCountItem = 1002;
constexpr int kImportItem = 1003;
constexpr int kExportItem = 1004;
constexpr int kMessageLineItem = 1005;

// The application's global objects, created at start-up in this order and
// released at exit.
struct ToolObjects {
    win::Dialog* dialog;
    win::Button* importButton;
    win::Button* exportButton;
    win::EditBox* countEdit;
    win::Label* label;
    win::Label* messageLine;
    FileDialog* fileDialog;
};
ToolObjects& tool();

// Texts of the tool (code page 936).
extern const char kOpenTitle[];  // "导入欲分割的文本内容(软件是按每行分割)"
extern const char kOpenFilter[]; // "文本文件(*.txt)|*.txt"
extern const char kOpenDefaultExtension[]; // "txt"
extern const char kFolderTitle[];          // "选择要保存导出数据的文件夹"

// The dialog's initialisation handler: skin on, items bound, caption icon,
// click handlers.
std::intptr_t initToolDialog(HWND dialog);
// Work is in progress, or one of the tool's dialogs or boxes is up: no
// other import or export may start.
bool toolBusy();
// Imports the file as the import button does once a file is chosen: with
// progress, stoppable; nothing while other work is in progress.
void importPath(const char* path);
// The click handlers of the two buttons.
std::intptr_t importClick();
std::intptr_t exportClick();

// Shows the tool's dialog modally; returns when it has closed.
INT_PTR showToolDialog();

} // namespace app
