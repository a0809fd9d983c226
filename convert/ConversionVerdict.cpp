// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConversionVerdict.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

#include <sys/stat.h>

namespace {

const QString kAlreadyExists = QStringLiteral("a file of that name already exists");

// The converter's last words when it gives up on a file.
const QString kConversionFailed = QStringLiteral("Conversion failed!");

QString withoutComponentPrefix(const QString &line)
{
    static const QRegularExpression prefix(QStringLiteral(R"(^\s*\[[^\]]* @ 0x[0-9a-fA-F]+\]\s*)"));
    return QString(line).remove(prefix).trimmed();
}

// Progress lines rewrite themselves while the converter works; they never
// explain anything.
bool isProgressLine(const QString &line)
{
    const QString trimmed = line.trimmed();
    return trimmed.startsWith(QStringLiteral("frame=")) || trimmed.startsWith(QStringLiteral("size="))
        || trimmed.startsWith(QStringLiteral("Last message repeated"));
}

} // namespace

bool IsWriteErrorLine(const QString &line)
{
    // The description of the input (its name, its tags) is indented.
    if (line.isEmpty() || line.front().isSpace())
        return false;
    const QString message = withoutComponentPrefix(line);
    static const QStringList muxerFailures = {QStringLiteral("av_interleaved_write_frame()"),
        QStringLiteral("Error writing trailer"), QStringLiteral("Error closing file"),
        QStringLiteral("Error muxing a packet"), QStringLiteral("Error submitting a packet to the muxer")};
    static const QStringList systemErrors = {QStringLiteral(": No space left on device"),
        QStringLiteral(": Disk quota exceeded"), QStringLiteral(": File too large")};
    return std::any_of(muxerFailures.cbegin(), muxerFailures.cend(),
               [&](const QString &start) { return message.startsWith(start); })
        || std::any_of(systemErrors.cbegin(), systemErrors.cend(),
            [&](const QString &end) { return message.endsWith(end); });
}

QString DestinationRefusal(const QString &destination)
{
    // Stored choices can clear both output options; then nothing names a place.
    if (destination.isEmpty())
        return QStringLiteral("no place for the result is chosen");
    struct stat info { };
    if (::lstat(QFile::encodeName(destination).constData(), &info) == 0)
        return kAlreadyExists;
    return {};
}

QString ExplainingLine(const ChildOutcome &outcome)
{
    const QStringList &lines = outcome.lastLines;
    if (std::any_of(lines.cbegin(), lines.cend(), [](const QString &line) {
            return withoutComponentPrefix(line).startsWith(QStringLiteral("Format not on whitelist"));
        }))
        return QStringLiteral("not a video file the converter may read");
    qsizetype failedAt = -1;
    for (qsizetype i = lines.size() - 1; i >= 0 && failedAt < 0; --i) {
        if (lines[i].trimmed() == kConversionFailed)
            failedAt = i;
    }
    for (qsizetype i = failedAt - 1; i >= 0; --i) {
        if (!isProgressLine(lines[i]))
            return withoutComponentPrefix(lines[i]);
    }
    if (!outcome.watchedLines.isEmpty())
        return withoutComponentPrefix(outcome.watchedLines.front());
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (!isProgressLine(lines[i]) && lines[i].trimmed() != kConversionFailed)
            return withoutComponentPrefix(lines[i]);
    }
    return {};
}

QString JudgeConversion(const ChildOutcome &outcome, qint64 resultSize)
{
    if (!outcome.started)
        return QStringLiteral("the converter could not be started (%1)").arg(outcome.lastLine());
    if (outcome.cancelled)
        return QStringLiteral("the conversion was stopped");
    if (outcome.crashed)
        return QStringLiteral("the converter stopped unexpectedly");
    if (outcome.exitCode != 0 || !outcome.watchedLines.isEmpty()) {
        const QString line = ExplainingLine(outcome);
        return line.isEmpty() ? QStringLiteral("the converter ended with code %1").arg(outcome.exitCode) : line;
    }
    if (resultSize < 0)
        return QStringLiteral("the result cannot be looked at");
    if (resultSize == 0)
        return QStringLiteral("the result is empty");
    return {};
}

QString InUsersTerms(const QString &reason, const QList<ConverterFileName> &names)
{
    QString text = reason;
    for (const ConverterFileName &name : names) {
        // "pipe:5" must not match in "pipe:51".
        const QRegularExpression named(QRegularExpression::escape(name.converterName) + QStringLiteral(R"((?!\d))"));
        // In front, the name may come as the converter was given it, as the
        // user's path, or as either in an address.
        const QRegularExpression inFront(
            QStringLiteral(R"(^(?:file:)?(?:%1|%2)(?!\d):\s*)")
                .arg(QRegularExpression::escape(name.converterName), QRegularExpression::escape(name.userPath)));
        text.remove(inFront);
        text.replace(named, name.userPath);
    }
    return text;
}
