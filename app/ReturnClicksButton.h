// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QAbstractButton;

// Return and Enter press the push button that has the keyboard focus, as
// Space does. Qt leaves these keys to the default button of a dialog, so on
// the main window they would otherwise do nothing.
class ReturnClicksButton final : public QObject {
    Q_OBJECT
public:
    explicit ReturnClicksButton(QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(ReturnClicksButton)

    void watch(QAbstractButton *button);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
