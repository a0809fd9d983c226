// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class Dialogs;
class SettingsStore;
class QWidget;

// The settings keys of the output choice.
namespace OutputKey {
inline const QString Text1 = QStringLiteral("Text1");
inline const QString Option1 = QStringLiteral("Option1");
inline const QString Option2 = QStringLiteral("Option2");
inline const QString LastFolderDot = QStringLiteral("LastFolderDot");
} // namespace OutputKey

// Remembers which option is selected: "Option1" first, then "Option2", in
// one write.
void StoreOptionChoice(SettingsStore &settings, bool option1Selected, bool option2Selected);

// The browse button of the output folder: asks for a folder, starting where
// the user last picked one, remembers it, and hands on the folder text with
// a trailing '/'.
// Nothing changes when the user cancels.
void BrowseForOutputFolder(Dialogs &dialogs, SettingsStore &settings, QWidget *owner,
    const std::function<void(const QString &)> &setFolderText);
