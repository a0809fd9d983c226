// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>

#include <optional>

class MousePointer;
class QWidget;

// The window's hover handlers: moving the mouse over a watched control
// writes that control's pointer value, unless the window is busy. They run
// on every mouse move, and writing the value already shown costs nothing.
class HoverPointer final : public QObject {
    Q_OBJECT
public:
    HoverPointer(MousePointer &pointer, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(HoverPointer)

    // Moves over widget, or over a part of it that is not watched itself,
    // write value.
    void watch(QWidget *widget, int value);
    // Moves over widget or its parts leave the pointer as it is: the
    // control has no hover handler, or handles the pointer itself.
    void leaveAlone(QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MousePointer &m_pointer;
    // The value for each watched widget; none for the ones left alone.
    QHash<const QWidget *, std::optional<int>> m_values;
};
