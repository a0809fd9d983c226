// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReorderDrag.h"

#include "FileListWidget.h"
#include "PointerImage.h"

#include <QMouseEvent>

#include <optional>

ReorderDrag::ReorderDrag(FileListWidget &list, MousePointer &windowPointer, QString dragImageFile,
    std::function<QPoint()> screenPosition, QObject *parent)
    : QObject(parent)
    , m_list(list)
    , m_viewport(list.viewport())
    , m_windowPointer(windowPointer)
    , m_listPointer(*m_viewport, Qt::ClosedHandCursor)
    , m_dragImageFile(std::move(dragImageFile))
    , m_screenPosition(std::move(screenPosition))
{
    // Moves without a button reset the window's pointer, as over the rest
    // of the window.
    m_viewport->setMouseTracking(true);
    m_viewport->installEventFilter(this);
}

int ReorderDrag::draggedIndex() const
{
    return m_dragged.isValid() ? m_dragged.row() + 1 : 0;
}

// The left button on the list belongs to the reorder: the list's own press,
// move and release handling would select by dragging, scroll by itself and
// select again at the release, fighting the order the drag leaves.
bool ReorderDrag::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_viewport)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // The list would report the click only at the release, after the
        // first moves; the press on an item stands for it.
        const int hit = m_list.itemIndexAt(mouse->position().toPoint());
        // Auto-scroll is off before the selection, or selecting a row that
        // shows only in part would scroll the next row under the pointer.
        buttonPressed();
        if (mouse->button() == Qt::LeftButton && hit > 0) {
            m_list.selectIndex(hit);
            itemClicked();
        }
        // A double-click still reaches the list, which removes the item.
        m_listHasPress = mouse->button() != Qt::LeftButton || event->type() == QEvent::MouseButtonDblClick;
        if (m_listHasPress)
            return false;
        m_list.setFocus(Qt::MouseFocusReason);
        return true;
    }
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        m_windowPointer.setUnlessBusy(PointerDefault);
        if (!m_dragging)
            return false;
        // A release swallowed elsewhere (a message box opened mid-drag) must
        // not leave mere moves reordering the queue.
        if (!(mouse->buttons() & Qt::LeftButton)) {
            buttonReleased();
            return false;
        }
        pointerMoved(mouse->position().toPoint());
        return !m_listHasPress;
    }
    case QEvent::MouseButtonRelease: {
        buttonReleased();
        const bool listHadPress = m_listHasPress;
        m_listHasPress = false;
        return !listHadPress;
    }
    default:
        return false;
    }
}

void ReorderDrag::itemClicked()
{
    std::optional<QCursor> image;
    try {
        image = LoadPointerFile(m_dragImageFile).cursor();
    } catch (const std::exception &) {
        // Without its image the drag shows the fallback pointer.
    }
    m_listPointer.setCustomImage(image);
    // The hourglass of a busy window stays over the list too.
    if (!m_windowPointer.isBusy())
        m_listPointer.set(PointerCustom);
    m_list.setDragEnabled(false);
    const int selected = m_list.selectedIndex();
    m_dragged = selected > 0 ? QPersistentModelIndex(m_list.model()->index(selected - 1, 0)) : QPersistentModelIndex();
}

void ReorderDrag::buttonPressed()
{
    if (!m_dragging)
        m_autoScrollBefore = m_list.hasAutoScroll();
    m_list.setAutoScroll(false);
    m_dragging = true;
}

void ReorderDrag::pointerMoved(const QPoint &position)
{
    const int hit = m_list.itemIndexAt(position);
    const int dragged = draggedIndex();
    if (hit == 0 || dragged == 0)
        return;
    const QString draggedText = m_list.textAt(dragged);
    const QString hitText = m_list.textAt(hit);
    if (hitText == draggedText)
        return;
    m_list.setTextAt(dragged, hitText);
    m_list.setTextAt(hit, draggedText);
    m_list.selectIndex(hit);
    m_dragged = QPersistentModelIndex(m_list.model()->index(hit - 1, 0));
    scrollTowardsPointer(hit);
}

void ReorderDrag::scrollTowardsPointer(int hitIndex)
{
    const int y = m_screenPosition().y();
    if (y < ScrollBandTop) {
        if (hitIndex - 1 > 0)
            m_list.scrollToItemIndex(hitIndex - 1);
    } else if (y > ScrollBandBottom) {
        if (hitIndex + 1 <= m_list.count())
            m_list.scrollToItemIndex(hitIndex + 1);
    }
}

void ReorderDrag::buttonReleased()
{
    if (m_dragging)
        m_list.setAutoScroll(m_autoScrollBefore);
    m_dragging = false;
    if (!m_windowPointer.isBusy())
        m_listPointer.set(PointerArrow);
}
