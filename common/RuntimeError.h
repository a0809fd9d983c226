// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <exception>

// A failure of one step of the program, carried as the classic runtime error
// number and a description the user can read. The reporting procedures catch
// it, show it and go on with their next step.
class RuntimeError final : public std::exception {
public:
    enum Number : int {
        InvalidArgument = 5,
        Overflow = 6,
        OutOfMemory = 7,
        DivisionByZero = 11,
        TypeMismatch = 13,
        FileNotFound = 53,
        FileAlreadyExists = 58,
        PermissionDenied = 70,
        PathFileAccessError = 75,
        PathNotFound = 76,
        BufferTooSmall = 20476,
    };

    explicit RuntimeError(int number, QString description = {});

    int number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

    // The runtime's own wording for the numbers the program raises.
    static QString standardDescription(int number);

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};
