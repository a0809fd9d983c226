// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MousePointer.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>

#include <functional>

class FileListWidget;

// Reorders the list with the mouse: after a click on an item, holding the
// left button and moving over other items carries that item's file along,
// trading places with each item passed over. It watches the list's
// viewport and works through the list's item interface alone.
class ReorderDrag final : public QObject {
    Q_OBJECT
public:
    // windowPointer is the main window's, which every move over the list
    // resets as the window's hover handlers do; dragImageFile is read on
    // every click on an item; screenPosition tells where the pointer is on
    // the screen.
    ReorderDrag(FileListWidget &list, MousePointer &windowPointer, QString dragImageFile,
        std::function<QPoint()> screenPosition, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(ReorderDrag)

    bool isDragging() const { return m_dragging; }
    // The item holding the file being moved, counted from 1; 0 for none,
    // also once that item has been removed.
    int draggedIndex() const;
    // The list's own pointer: the drag image from a click on an item to the
    // next release, then the arrow.
    const MousePointer &listPointer() const { return m_listPointer; }

    // The band of screen rows inside which a move never scrolls the list.
    static constexpr int ScrollBandTop = 305;
    static constexpr int ScrollBandBottom = 364;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void itemClicked();
    void buttonPressed();
    void pointerMoved(const QPoint &position);
    void buttonReleased();
    void scrollTowardsPointer(int hitIndex);

    FileListWidget &m_list;
    // Kept apart from the list: while the list is destroyed its viewport
    // still sends events, and the list can no longer be asked for it.
    QWidget *m_viewport;
    MousePointer &m_windowPointer;
    MousePointer m_listPointer;
    QString m_dragImageFile;
    std::function<QPoint()> m_screenPosition;
    bool m_dragging = false;
    // A persistent index, so a removed item reads as none instead of
    // naming whatever moved into its place or freed memory.
    QPersistentModelIndex m_dragged;
    bool m_autoScrollBefore = true;
    // The list saw the press (another button, a double-click), so it sees
    // the moves and the release too.
    bool m_listHasPress = false;
};
