// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "HoverPointer.h"

#include "MousePointer.h"

#include <QMouseEvent>
#include <QWidget>

HoverPointer::HoverPointer(MousePointer &pointer, QObject *parent)
    : QObject(parent)
    , m_pointer(pointer)
{
}

void HoverPointer::watch(QWidget *widget, int value)
{
    m_values.insert(widget, value);
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

void HoverPointer::leaveAlone(QWidget *widget)
{
    m_values.insert(widget, std::nullopt);
}

bool HoverPointer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseMove)
        return false;
    // A move that a control ignores travels on to its parents; the control
    // under the pointer decides, however far the event has come.
    auto *widget = static_cast<QWidget *>(watched);
    const QPoint position = static_cast<QMouseEvent *>(event)->position().toPoint();
    const QWidget *under = widget->childAt(position);
    for (under = under ? under : widget; under; under = under->parentWidget()) {
        const auto found = m_values.constFind(under);
        if (found == m_values.cend())
            continue;
        // A disabled control (the browse button while its frame is off)
        // shows the pointer of what it lies on.
        if (!under->isEnabled())
            continue;
        if (found->has_value())
            m_pointer.setUnlessBusy(**found);
        break;
    }
    return false;
}
