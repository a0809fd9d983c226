// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class Dialogs;
class FileListWidget;
class ScanActivity;
class SettingsStore;
class QWidget;

// The settings keys of "Add All AVI File(s) In Folder".
namespace AddAllKey {
inline const QString Extension = QStringLiteral("Extension");
inline const QString LastFolder = QStringLiteral("LastFolder");
} // namespace AddAllKey

// The prompt of the input box that asks for the extension.
QString ExtensionPrompt();

// The window's pointer as the scan sees it.
struct WindowPointerAccess {
    std::function<int()> current;
    std::function<void(int)> set;
};

// What "Add All AVI File(s) In Folder" works with.
struct AddAllContext {
    Dialogs &dialogs;
    SettingsStore &settings;
    QWidget *owner = nullptr;
    FileListWidget &list;
    WindowPointerAccess pointer;
    ScanActivity *activity = nullptr;
};

// Asks for an extension and a folder, remembers both, and appends every
// usable file with that extension in the folder and below it. The window
// shows the busy pointer during the scan and gets back the pointer it had,
// so a conversion run under way stays busy.
void AddAllFilesInFolder(const AddAllContext &context);
