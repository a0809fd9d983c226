// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>

#include <functional>

// Keeps the last lines a child process printed, so that a failure can be
// explained. Carriage returns end a line as line feeds do, because progress
// counters rewrite one line in place.
class OutputTail final {
public:
    explicit OutputTail(qsizetype keptLines = 20);

    // Lines for which isWatched answers true are kept apart as well, however
    // much is printed after them.
    void watchFor(std::function<bool(const QString &line)> isWatched) { m_isWatched = std::move(isWatched); }

    void append(const QByteArray &bytes);
    // The kept lines, the unfinished last line included; empty lines dropped.
    QStringList lines() const;
    // The first few watched lines.
    QStringList watchedLines() const;

private:
    static constexpr qsizetype kWatchedLines = 5;

    void keep(const QByteArray &line);
    void watch(const QByteArray &line);
    bool isWatched(const QByteArray &line) const;

    qsizetype m_keptLines;
    QByteArray m_partial;
    QList<QByteArray> m_lines;
    std::function<bool(const QString &line)> m_isWatched;
    QList<QByteArray> m_watched;
};
