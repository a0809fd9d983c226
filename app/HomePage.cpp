// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "HomePage.h"

#include "BuildSettings.h"
#include "Dialogs.h"
#include "RuntimeError.h"

QString HomePageAddress()
{
    return QStringLiteral(REELWRIGHT_HOME_PAGE);
}

QUrl HomePageUrl(const QString &address)
{
    const QString trimmed = address.trimmed();
    const QUrl url(
        trimmed.contains(QStringLiteral("://")) ? trimmed : QStringLiteral("https://") + trimmed, QUrl::StrictMode);
    // Only a web page: the address is the packager's text, opened unasked.
    const bool webPage = url.scheme() == QStringLiteral("https") || url.scheme() == QStringLiteral("http");
    return url.isValid() && webPage && !url.host().isEmpty() ? url : QUrl();
}

void OpenHomePage(Dialogs &dialogs, const QString &address)
{
    const QUrl page = HomePageUrl(address);
    if (page.isEmpty())
        throw RuntimeError(RuntimeError::InvalidArgument,
            QStringLiteral("The home page %1 is not a web address, so it is not opened").arg(address));
    if (!dialogs.openUrl(page))
        throw RuntimeError(RuntimeError::PathFileAccessError,
            QStringLiteral("The home page %1 cannot be opened").arg(page.toDisplayString()));
}
