// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "MousePointer.h"

#include <QPixmap>
#include <QWidget>

namespace {

bool samePointer(const QCursor &a, const QCursor &b)
{
    if (a.shape() != b.shape())
        return false;
    return a.shape() != Qt::BitmapCursor
        || (a.pixmap().cacheKey() == b.pixmap().cacheKey() && a.hotSpot() == b.hotSpot());
}

} // namespace

MousePointer::MousePointer(QWidget &area, Qt::CursorShape fallback)
    : m_area(area)
    , m_fallback(fallback)
{
}

void MousePointer::set(int value)
{
    if (value == m_value)
        return;
    m_value = value;
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
    QCursor shown;
    switch (m_value) {
    case PointerBusy:
        shown = QCursor(Qt::WaitCursor);
        break;
    case PointerCustom:
        shown = m_customImage ? *m_customImage : QCursor(m_fallback);
        break;
    case PointerArrow:
        shown = QCursor(Qt::ArrowCursor);
        break;
    default:
        uncoverOwnPointers();
        m_area.unsetCursor();
        return;
    }
    // Controls without a pointer of their own show the area's.
    m_area.setCursor(shown);
    coverOwnPointers(shown);
}

void MousePointer::coverOwnPointers(const QCursor &shown)
{
    if (!m_covering) {
        const QList<QWidget *> controls = m_area.findChildren<QWidget *>();
        for (QWidget *control : controls) {
            if (!control->isWindow() && control->testAttribute(Qt::WA_SetCursor))
                m_covered.append({control, control->cursor()});
        }
        m_covering = true;
    }
    for (const auto &[control, own] : std::as_const(m_covered)) {
        if (control)
            control->setCursor(shown);
    }
    m_shown = shown;
}

void MousePointer::uncoverOwnPointers()
{
    for (const auto &[control, own] : std::as_const(m_covered)) {
        // A control that chose another pointer meanwhile keeps that one.
        if (control && samePointer(control->cursor(), m_shown))
            control->setCursor(own);
    }
    m_covered.clear();
    m_covering = false;
}
