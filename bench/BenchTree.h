// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Form1.h"
#include "ScriptedDialogs.h"

#include <QString>
#include <QStringList>

// The tree the scan benchmarks walk: 100,000 empty .avi files in 10,000
// folders (ten at the top, nine below each, 110 below each of those, ten
// files in every folder), paths of about 60 characters.
namespace BenchTree {

constexpr int kFolders = 10'000;
constexpr int kFiles = 100'000;

// The paths the list holds after "Add All" with "avi" on root, in the list's
// order: the folders breadth first, each in listing order.
QStringList ExpectedPaths(const QString &root);

double AverageLength(const QStringList &paths);

// Makes the tree below root; false when a folder or file could not be made.
bool Make(const QString &root);

// Handles the window's pending events: layout and painting are posted.
void Settle();

// The main window, shown, with dialogs that answer "Add All" by themselves.
class ShownWindow final {
public:
    ShownWindow();
    Q_DISABLE_COPY_MOVE(ShownWindow)

    // Presses "Add All AVI File(s) In Folder" with "avi" and root as the
    // answers, then lets the window lay out and paint the list.
    void addAll(const QString &root);
    // Presses "Clear List" and lets the window settle.
    void clearList();
    // Whether the list holds exactly these paths, in this order, and no
    // error was reported.
    bool holds(const QStringList &paths) const;
    bool isEmpty() const;

private:
    ScriptedDialogs m_dialogs;
    Form1 m_form;
};

} // namespace BenchTree
