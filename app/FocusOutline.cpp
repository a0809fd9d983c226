// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FocusOutline.h"

#include <QApplication>
#include <QPainter>

FocusOutline::FocusOutline(QWidget &window)
    : QWidget(&window)
{
    setObjectName(QStringLiteral("FocusOutline"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this, [this, &window](QWidget *, QWidget *now) {
        follow(now && now != &window && window.isAncestorOf(now) ? now : nullptr);
    });
}

void FocusOutline::follow(QWidget *control)
{
    if (m_control)
        m_control->removeEventFilter(this);
    m_control = control;
    if (m_control)
        m_control->installEventFilter(this);
    place();
}

void FocusOutline::place()
{
    if (!m_control || !m_control->isVisible()) {
        hide();
        return;
    }
    const QRect around = QRect(m_control->mapTo(parentWidget(), QPoint()), m_control->size())
                             .adjusted(-Thickness, -Thickness, Thickness, Thickness);
    setGeometry(around);
    const QRect inside = rect().adjusted(Thickness, Thickness, -Thickness, -Thickness);
    setMask(QRegion(rect()).subtracted(inside));
    // Above every control, so a neighbour that overlaps the ring cannot
    // hide part of it.
    raise();
    show();
}

bool FocusOutline::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_control) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            place();
            break;
        default:
            break;
        }
    }
    return false;
}

void FocusOutline::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().windowText());
}
