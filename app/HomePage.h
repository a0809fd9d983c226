// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

class Dialogs;

// The maker's home page as the build set it; empty when it names none.
QString HomePageAddress();

// The web page an address names: an address without a scheme is an https
// one. Invalid, with no host, or with a scheme other than http and https
// (a local file, a script), it names no page and the URL is empty.
QUrl HomePageUrl(const QString &address);

// Opens the home page in the desktop's browser. Throws a RuntimeError when
// the address names no web page or the desktop cannot open it.
void OpenHomePage(Dialogs &dialogs, const QString &address);
