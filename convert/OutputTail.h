// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>

// Keeps the last lines a child process printed, so that a failure can be
// explained. Carriage returns end a line as line feeds do, because progress
// counters rewrite one line in place.
class OutputTail final {
public:
    explicit OutputTail(qsizetype keptLines = 20);

    void append(const QByteArray &bytes);
    // The kept lines, the unfinished last line included; empty lines dropped.
    QStringList lines() const;

private:
    void keep(const QByteArray &line);

    qsizetype m_keptLines;
    QByteArray m_partial;
    QList<QByteArray> m_lines;
};
