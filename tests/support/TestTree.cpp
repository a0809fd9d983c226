// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

QString WriteScript(const QString &path, const QString &body, const QString &shell)
{
    WriteTextFile(path, "#!" + shell.toUtf8() + '\n' + body.toUtf8() + '\n');
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

QString WriteFakeConverter(const QString &path, const QString &body)
{
    // The result is the last argument, "pipe:<descriptor>". The
    // descriptor's number may have two digits, which only bash takes in a
    // redirection.
    return WriteScript(
        path, QStringLiteral("result=${!#}\nresult=${result#pipe:}\n") + body, QStringLiteral("/bin/bash"));
}

QString WriteTextFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(contents);
    return path;
}

QString FfmpegProgram()
{
    return QStringLiteral(REELWRIGHT_FFMPEG_PATH);
}

bool MakeClip(const QString &path, double seconds)
{
    return MakeClipAs(path, QStringLiteral("160x120"), QStringLiteral("10"),
        {QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"),
            QStringLiteral("-ar"), QStringLiteral("22050"), QStringLiteral("-f"), QStringLiteral("avi")},
        seconds);
}

namespace {

std::optional<QByteArray> runTool(const QString &program, const QStringList &arguments)
{
    QProcess tool;
    tool.setStandardInputFile(QProcess::nullDevice());
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(program, QStringList{QStringLiteral("-v"), QStringLiteral("error")} + arguments);
    if (!tool.waitForFinished(120000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return std::nullopt;
    return tool.readAllStandardOutput();
}

} // namespace

std::optional<QByteArray> RunFfmpeg(const QStringList &arguments)
{
    return runTool(FfmpegProgram(), arguments);
}

std::optional<QByteArray> RunFfprobe(const QStringList &arguments)
{
    return runTool(QFileInfo(FfmpegProgram()).dir().filePath(QStringLiteral("ffprobe")), arguments);
}

bool MakeClipAs(
    const QString &path, const QString &pictureSize, const QString &rate, const QStringList &encoding, double seconds)
{
    return RunFfmpeg(QStringList{QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                         QStringLiteral("-i"), QStringLiteral("testsrc=size=%1:rate=%2").arg(pictureSize, rate),
                         QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                         QStringLiteral("sine=frequency=440:sample_rate=48000"), QStringLiteral("-t"),
                         QString::number(seconds)}
               + encoding + QStringList{path})
        && QFileInfo::exists(path);
}

QString ProbeVideo(const QString &path)
{
    const std::optional<QByteArray> printed = RunFfprobe({QStringLiteral("-select_streams"), QStringLiteral("v:0"),
        QStringLiteral("-show_entries"), QStringLiteral("format=format_name:stream=codec_name,width,height"),
        QStringLiteral("-of"), QStringLiteral("default=noprint_wrappers=1:nokey=1"), path});
    if (!printed)
        return {};
    // ffprobe prints the stream's entries, then the format's.
    const QStringList lines = QString::fromUtf8(*printed).split(u'\n', Qt::SkipEmptyParts);
    if (lines.size() < 4)
        return {};
    return QStringLiteral("%1 %2 %3x%4").arg(lines[3], lines[0], lines[1], lines[2]);
}
