// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <unistd.h>

// An open file descriptor, closed however the code that opened it ends. It
// may be handed on, never shared.
class FileDescriptor final {
public:
    explicit FileDescriptor(int fd = -1)
        : m_fd(fd)
    {
    }
    Q_DISABLE_COPY(FileDescriptor)
    FileDescriptor(FileDescriptor &&other) noexcept
        : m_fd(other.m_fd)
    {
        other.m_fd = -1;
    }
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        if (this != &other) {
            close();
            m_fd = other.m_fd;
            other.m_fd = -1;
        }
        return *this;
    }
    ~FileDescriptor() { close(); }

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};
