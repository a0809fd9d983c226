// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Dialogs.h"

#include "ApplicationTitle.h"

MessageAnswer Dialogs::message(const QString &text, MessageIcon icon, MessageButtons buttons, const QString &title)
{
    return showMessage({title.isEmpty() ? ApplicationTitle() : title, text, icon, buttons, {}});
}

void Dialogs::messageWithDetails(const QString &text, const QString &detailedText, MessageIcon icon)
{
    showMessage({ApplicationTitle(), text, icon, MessageButtons::Ok, detailedText});
}

QString Dialogs::input(const QString &prompt, const QString &defaultAnswer, const QString &title)
{
    return askText(title.isEmpty() ? ApplicationTitle() : title, prompt, defaultAnswer);
}
