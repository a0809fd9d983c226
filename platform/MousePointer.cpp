// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "MousePointer.h"

#include <QWidget>

MousePointer::MousePointer(QWidget &area, Qt::CursorShape fallback)
    : m_area(area)
    , m_fallback(fallback)
{
}

void MousePointer::set(int value)
{
    if (value == m_value)
        return;
    const bool wasBusy = isBusy();
    m_value = value;
    if (isBusy())
        coverOwnPointersWithBusy();
    else if (wasBusy)
        uncoverOwnPointers();
    show();
}

void MousePointer::setUnlessBusy(int value)
{
    if (!isBusy())
        set(value);
}

void MousePointer::setCustomImage(const std::optional<QCursor> &image)
{
    m_customImage = image;
    if (m_value == PointerCustom)
        show();
}

void MousePointer::show()
{
    switch (m_value) {
    case PointerBusy:
        m_area.setCursor(Qt::WaitCursor);
        break;
    case PointerCustom:
        m_area.setCursor(m_customImage ? *m_customImage : QCursor(m_fallback));
        break;
    case PointerArrow:
        m_area.setCursor(Qt::ArrowCursor);
        break;
    default:
        // Every control shows its own pointer again.
        m_area.unsetCursor();
        break;
    }
}

// Controls that show the area's pointer need nothing; the others would keep
// their own pointer over the hourglass.
void MousePointer::coverOwnPointersWithBusy()
{
    const QList<QWidget *> controls = m_area.findChildren<QWidget *>();
    for (QWidget *control : controls) {
        if (control->isWindow() || !control->testAttribute(Qt::WA_SetCursor))
            continue;
        m_ownBeforeBusy.append({control, control->cursor()});
        control->setCursor(Qt::WaitCursor);
    }
}

void MousePointer::uncoverOwnPointers()
{
    for (const auto &[control, own] : std::as_const(m_ownBeforeBusy)) {
        // A control that chose another pointer meanwhile keeps that one.
        if (control && control->cursor().shape() == Qt::WaitCursor)
            control->setCursor(own);
    }
    m_ownBeforeBusy.clear();
}
