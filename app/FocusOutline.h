// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

// A ring in the window's text colour just outside the control of the window
// that has the keyboard focus. It lies on the window's own background, which
// that colour stands out on under every desktop theme and with or without
// the skin, whatever the style draws inside the control. The pointer and
// drops pass through it.
class FocusOutline final : public QWidget {
    Q_OBJECT
public:
    static constexpr int Thickness = 2;

    explicit FocusOutline(QWidget &window);
    Q_DISABLE_COPY_MOVE(FocusOutline)

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void follow(QWidget *control);
    void place();

    QPointer<QWidget> m_control;
};
