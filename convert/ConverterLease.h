// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// A share of the staged converter. Every start of the program is a program
// of its own, and two of them may convert at the same time with the same
// staged file; each run holds a shared lock on a lock file beside it, and
// the run that ends last, the only one that can lock it exclusively,
// removes the converter.
class ConverterLease final {
public:
    ConverterLease() = default;
    ~ConverterLease();
    Q_DISABLE_COPY_MOVE(ConverterLease)

    // Takes a share of the converter with these bytes at converterPath.
    // Throws RuntimeError when the lock file cannot be made, is not the
    // program's, or stays locked by another run for longer than patience.
    void acquire(const QString &converterPath, const QByteArray &converterBytes,
        std::chrono::milliseconds patience = std::chrono::seconds(5));

    bool isHeld() const { return m_descriptor >= 0; }
    const QString &converterPath() const { return m_converterPath; }

    // Gives the share back; removes the converter (when it still is the
    // converter) and the lock file when no other run holds a share. Does
    // nothing when no share is held.
    void release();

private:
    QString m_converterPath;
    QByteArray m_converterBytes;
    QString m_lockPath;
    int m_descriptor = -1;
};
