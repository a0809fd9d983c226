// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <unistd.h>

// An open file descriptor, closed however the code that opened it ends.
class FileDescriptor final {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    Q_DISABLE_COPY_MOVE(FileDescriptor)
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

private:
    int m_fd;
};
