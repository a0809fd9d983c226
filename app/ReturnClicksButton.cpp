// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReturnClicksButton.h"

#include <QAbstractButton>
#include <QKeyEvent>

ReturnClicksButton::ReturnClicksButton(QObject *parent)
    : QObject(parent)
{
}

void ReturnClicksButton::watch(QAbstractButton *button)
{
    button->installEventFilter(this);
}

bool ReturnClicksButton::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    // Key events reach the filters of a disabled button too; it does nothing.
    auto *button = static_cast<QAbstractButton *>(watched);
    if (!button->isEnabled())
        return false;
    // A held key presses once, as a held Space does.
    if (!key->isAutoRepeat())
        button->click();
    return true;
}
