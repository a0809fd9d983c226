// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTail.h"

OutputTail::OutputTail(qsizetype keptLines)
    : m_keptLines(qMax<qsizetype>(1, keptLines))
{
}

void OutputTail::append(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (c == '\n' || c == '\r') {
            keep(m_partial);
            m_partial.clear();
        } else {
            m_partial += c;
        }
    }
    // A child that never ends a line must not grow the buffer without bound.
    constexpr qsizetype kLongestLine = 64 * 1024;
    if (m_partial.size() > kLongestLine)
        m_partial = m_partial.right(kLongestLine);
}

QStringList OutputTail::lines() const
{
    QStringList result;
    for (const QByteArray &line : m_lines)
        result << QString::fromLocal8Bit(line);
    if (!m_partial.trimmed().isEmpty())
        result << QString::fromLocal8Bit(m_partial);
    while (result.size() > m_keptLines)
        result.removeFirst();
    return result;
}

QStringList OutputTail::watchedLines() const
{
    QStringList result;
    for (const QByteArray &line : m_watched)
        result << QString::fromLocal8Bit(line);
    if (result.size() < kWatchedLines && isWatched(m_partial))
        result << QString::fromLocal8Bit(m_partial);
    return result;
}

bool OutputTail::isWatched(const QByteArray &line) const
{
    return m_isWatched && !line.trimmed().isEmpty() && m_isWatched(QString::fromLocal8Bit(line));
}

void OutputTail::watch(const QByteArray &line)
{
    if (m_watched.size() < kWatchedLines && isWatched(line))
        m_watched << line;
}

void OutputTail::keep(const QByteArray &line)
{
    if (line.trimmed().isEmpty())
        return;
    watch(line);
    m_lines << line;
    if (m_lines.size() > m_keptLines)
        m_lines.removeFirst();
}
