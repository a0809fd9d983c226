// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WindowPointer.h"

#include <QCursor>
#include <QList>
#include <QPair>
#include <QPointer>

#include <optional>

class QWidget;

// One pointer setting over an area of the screen: the main window with its
// controls, or the list alone. The default value lets every control show
// its own pointer (the text box its I-beam); any other value shows over the
// whole area, over the controls with a pointer of their own too, until the
// area is back at the default.
class MousePointer final {
public:
    // fallback is shown for the custom value while no image is loaded.
    explicit MousePointer(QWidget &area, Qt::CursorShape fallback = Qt::PointingHandCursor);
    Q_DISABLE_COPY_MOVE(MousePointer)

    int value() const { return m_value; }
    bool isBusy() const { return m_value == PointerBusy; }

    // Shows the pointer with this value (0, 1, 11 or 99). Writing the value
    // the area already shows does nothing, so callers may write it on every
    // mouse move.
    void set(int value);
    // What the hover handlers write: the value, unless the area is busy.
    void setUnlessBusy(int value);

    // The image the custom value shows; an empty image shows the fallback.
    void setCustomImage(const std::optional<QCursor> &image);
    const std::optional<QCursor> &customImage() const { return m_customImage; }

private:
    void show();
    void coverOwnPointers(const QCursor &shown);
    void uncoverOwnPointers();

    QWidget &m_area;
    Qt::CursorShape m_fallback;
    int m_value = PointerDefault;
    std::optional<QCursor> m_customImage;
    // The controls that had a pointer of their own when the area left the
    // default, with that pointer, and what they show meanwhile.
    QList<QPair<QPointer<QWidget>, QCursor>> m_covered;
    bool m_covering = false;
    QCursor m_shown;
};
