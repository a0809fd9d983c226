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

bool statEntry(const QString &path, bool followLinks, struct stat &info)
{
    const QByteArray native = QFile::encodeName(path);
    return !path.isEmpty() && (followLinks ? ::stat(native.constData(), &info) : ::lstat(native.constData(), &info)) == 0;
}

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

QString RefusalBeforeStart(const QString &source, const QString &destination)
{
    struct stat info { };
    if (!statEntry(source, true, info))
        return QStringLiteral("the file cannot be found");
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("not a regular file");
    // Stored choices can clear both output options; then nothing names a place.
    if (destination.isEmpty())
        return QStringLiteral("no place for the result is chosen");
    if (statEntry(destination, false, info))
        return kAlreadyExists;
    return {};
}

bool RefusedExistingResult(const ChildOutcome &outcome)
{
    return std::any_of(outcome.lastLines.cbegin(), outcome.lastLines.cend(),
        [](const QString &line) { return line.contains(QStringLiteral("already exists. Overwrite?")); });
}

QString ExplainingLine(const ChildOutcome &outcome)
{
    // The converter asks before it replaces a file; nobody can answer it.
    if (RefusedExistingResult(outcome))
        return kAlreadyExists;
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

QString JudgeConversion(const ChildOutcome &outcome, const QString &destination)
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
    struct stat info { };
    if (!statEntry(destination, false, info))
        return QStringLiteral("the converter wrote no result");
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("the result is not a regular file");
    if (info.st_size == 0)
        return QStringLiteral("the result is empty");
    return {};
}
