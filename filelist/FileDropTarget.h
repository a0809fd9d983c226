// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

class Dialogs;
class FileListWidget;
class QDropEvent;
class QMimeData;
class ScanActivity;

// Takes files and folders dropped from a file manager onto the list, on its
// rows and on its column header alike. A dropped file becomes one item as
// supplied; a dropped folder gives every usable file below it. The drop is
// answered with Copy (or Link), never Move: a file manager that was told
// Move may delete what it sent.
class FileDropTarget final : public QObject {
    Q_OBJECT
public:
    FileDropTarget(FileListWidget &list, Dialogs &dialogs, ScanActivity *activity = nullptr);
    Q_DISABLE_COPY_MOVE(FileDropTarget)

    // Appends the paths in order, as a drop does.
    void addDroppedPaths(const QStringList &paths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(QObject *object);
    // Accepts the drag with a harmless action, or refuses it.
    bool answerDrag(QDropEvent *event) const;
    void addDroppedFolder(const QString &folder);

    FileListWidget &m_list;
    Dialogs &m_dialogs;
    ScanActivity *m_activity;
};

// The local paths of drag data that offers files only, in the order of its
// address list (text/uri-list, whose comment lines are passed over); empty
// when any address is not that of a file on this machine: another host's,
// a relative or empty one, or one whose path holds a NUL.
QStringList DroppedLocalPaths(const QMimeData *data);
