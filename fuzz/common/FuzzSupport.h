// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every fuzz target shares: one application object made on the first
// input, Qt's messages kept quiet, and a check that stops the run, so that
// libFuzzer keeps the input, when the program and its reference disagree.

#include <QByteArray>
#include <QCoreApplication>
#include <QDebug>
#include <QString>

#include <cstdio>
#include <cstdlib>

// The bytes libFuzzer hands over, as Qt's byte array; no copy.
inline QByteArray FuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// One application of the kind App (QCoreApplication, QGuiApplication), on
// the "minimal" platform, made once and kept for the whole run: it is never
// destroyed, since Qt's own data for the thread may be gone before static
// objects are.
template <typename App>
void FuzzApplication()
{
    static App *application = nullptr;
    if (application)
        return;
    qputenv("QT_QPA_PLATFORM", "minimal");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    application = new App(argc, argv);
}

// Ends the run with what differs when a condition the program promises
// does not hold.
inline void FuzzCheck(bool holds, const char *promise, const QString &detail = {})
{
    if (holds)
        return;
    std::fprintf(stderr, "Fuzz check failed: %s\n%s\n", promise, qUtf8Printable(detail));
    std::abort();
}
