// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Appearance.h"

#include "OpenTest.h"
#include "ResourceFile.h"
#include "SkinFramework.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

namespace {

void recolour(QWidget &widget, const QPalette &theme)
{
    QPalette palette = widget.palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, theme.color(group, QPalette::Button));
        palette.setColor(group, QPalette::WindowText, theme.color(group, QPalette::ButtonText));
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, theme.color(QPalette::Disabled, QPalette::Button));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, theme.color(QPalette::Disabled, QPalette::ButtonText));
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

bool takesSkinColour(const QWidget *widget)
{
    return qobject_cast<const QRadioButton *>(widget) || qobject_cast<const QCheckBox *>(widget)
        || qobject_cast<const QGroupBox *>(widget) || qobject_cast<const QLabel *>(widget);
}

} // namespace

QPalette DesignedPalette()
{
    const QColor white(Qt::white);
    const QColor black(Qt::black);
    const QColor face(0xf0, 0xf0, 0xf0);
    // windowText, button, light, dark, mid, text, bright text, base, window
    QPalette palette(
        black, face, white, QColor(0xa0, 0xa0, 0xa0), QColor(0xc8, 0xc8, 0xc8), black, white, white, white);
    palette.setColor(QPalette::ButtonText, black);
    palette.setColor(QPalette::Shadow, QColor(0x69, 0x69, 0x69));
    palette.setColor(QPalette::AlternateBase, QColor(0xf7, 0xf7, 0xf7));
    palette.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc));
    palette.setColor(QPalette::ToolTipText, black);
    palette.setColor(QPalette::PlaceholderText, QColor(0x6d, 0x6d, 0x6d));
    palette.setColor(QPalette::Highlight, QColor(0x24, 0x59, 0xb3));
    palette.setColor(QPalette::HighlightedText, white);
    palette.setColor(QPalette::Link, QColor(0x1a, 0x4f, 0xa8));
    palette.setColor(QPalette::LinkVisited, QColor(0x6a, 0x2c, 0x91));
    const QColor grey(0x78, 0x78, 0x78);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, grey);
    palette.setColor(QPalette::Disabled, QPalette::Base, face);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x91, 0x91, 0x91));
    return palette;
}

QString SkinFilePath(const QString &programFolder)
{
    return programFolder + QStringLiteral("/x/o.cjs");
}

QString HandCursorPath(const QString &programFolder)
{
    return programFolder + QStringLiteral("/HAND-M.CUR");
}

QString DragImagePath(const QString &programFolder)
{
    return programFolder + QStringLiteral("/drag.ico");
}

bool SkinFileFound(const QString &path)
{
    return OpensAsRegularFile(path) && !QFileInfo(path).fileName().startsWith(u'.');
}

void ApplySkin(QWidget &window, SkinFramework &skin, const QString &skinFile)
{
    if (!SkinFileFound(skinFile))
        return;
    const QPalette theme = QApplication::palette();
    recolour(window, theme);
    const QList<QWidget *> controls = window.findChildren<QWidget *>();
    for (QWidget *control : controls) {
        if (!control->isWindow() && takesSkinColour(control))
            recolour(*control, theme);
    }
    skin.loadSkin(skinFile, QString());
    skin.setApplyOptions(skin.applyOptions() | SkinFramework::ApplyToWindow);
    skin.setDressesDialogs(true);
    skin.setPolishesAtOnce(true);
    skin.applyWindow(window);
}
