// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Helpers that build real files for tests: scripts that stand in for the
// converter, and short video clips made with ffmpeg's own generators.

// Writes an executable script for shell with the given body and returns its path.
QString WriteScript(const QString &path, const QString &body, const QString &shell = QStringLiteral("/bin/sh"));

// Writes a stand-in for the converter and returns its path. The body runs
// with the converter's arguments: "$4" names the file it reads, and the
// result goes to the descriptor in $result (the last argument names it), as
// in "printf x >&$result".
QString WriteFakeConverter(const QString &path, const QString &body);

// Writes a text file and returns its path.
QString WriteTextFile(const QString &path, const QByteArray &contents);

// The ffmpeg that the program embeds.
QString FfmpegProgram();

// Runs that ffmpeg, or the ffprobe beside it, with the arguments, telling
// only of errors and reading nothing: what it printed on its standard
// output, or none when it failed.
std::optional<QByteArray> RunFfmpeg(const QStringList &arguments);
std::optional<QByteArray> RunFfprobe(const QStringList &arguments);

// Makes an AVI clip of the given length with a test picture and a tone.
// Returns false when ffmpeg failed.
bool MakeClip(const QString &path, double seconds = 0.2);

// Makes a clip of the given length with a test picture of pictureSize at
// rate frames a second and a tone, in the container and codecs that the
// encoding arguments of ffmpeg name. Returns false when ffmpeg failed.
bool MakeClipAs(const QString &path, const QString &pictureSize, const QString &rate, const QStringList &encoding,
    double seconds = 0.4);

// A one-line description of a video file as ffprobe sees it:
// "<format> <video codec> <width>x<height>", or empty when unreadable.
QString ProbeVideo(const QString &path);
