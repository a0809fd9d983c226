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

    // Lines that hold one of these phrases are kept apart as well, however
    // much is printed after them.
    void watchFor(const QList<QByteArray> &phrases) { m_phrases = phrases; }

    void append(const QByteArray &bytes);
    // The kept lines, the unfinished last line included; empty lines dropped.
    QStringList lines() const;
    // The first few lines that held a watched phrase.
    QStringList watchedLines() const;

private:
    static constexpr qsizetype kWatchedLines = 5;

    void keep(const QByteArray &line);
    void watch(const QByteArray &line);
    bool holdsPhrase(const QByteArray &line) const;

    qsizetype m_keptLines;
    QByteArray m_partial;
    QList<QByteArray> m_lines;
    QList<QByteArray> m_phrases;
    QList<QByteArray> m_watched;
};
