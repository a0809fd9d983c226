// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProgressView.h"

#include <QProgressBar>

// A progress bar that keeps a fractional value, accepts values past 100
// (drawn as full), and draws a text of its own choosing on the bar: text()
// overrides the bar's own, so the text is drawn exactly as set.
class TextProgressBar final : public QProgressBar, public ProgressView {
    Q_OBJECT
public:
    explicit TextProgressBar(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(TextProgressBar)

    double value() const override { return m_value; }
    void setValue(double value) override;
    QString text() const override { return m_text; }
    void setText(const QString &text) override;

private:
    double m_value = 0;
    QString m_text = kProgressBarRestingText;
};
