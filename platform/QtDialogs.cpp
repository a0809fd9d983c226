// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtDialogs.h"

#include "PathHelpers.h"
#include "RuntimeError.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

MessageAnswer answerFor(int button)
{
    switch (button) {
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Ok;
    }
}

// Room the window manager takes in a title bar beside the caption, for its
// icon and buttons, in pixels at 96 dpi.
constexpr int TitleBarButtonsAllowance = 160;

// The width a message box needs so that the window manager shows its caption
// whole: the caption in the title-bar font Qt measures it in, and the title
// bar's buttons, but no wider than the screen.
int widthForCaption(const QMessageBox &box)
{
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    const int width = metrics.horizontalAdvance(box.windowTitle()) + TitleBarButtonsAllowance * box.logicalDpiX() / 96;
    const QScreen *screen = box.screen();
    return screen ? qMin(width, screen->availableGeometry().width()) : width;
}

// A message box sizes itself to its caption plus a few pixels whenever it is
// shown, which a minimum width set before would not survive; a spacer across
// its grid keeps the box wide enough for the whole caption. Call once the box
// has all its parts, as adding one rebuilds the grid.
void keepCaptionVisible(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    grid->addItem(new QSpacerItem(widthForCaption(box), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
        grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

QStringList NameFiltersFromClassicFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList nameFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts[i];
        const QString patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts).join(u' ');
        if (description.isEmpty() && patterns.isEmpty())
            continue;
        nameFilters << (description.contains(u'(') ? description
                                                   : QStringLiteral("%1 (%2)").arg(description, patterns));
    }
    return nameFilters;
}

QString FileNameTextForSelection(const QStringList &absolutePaths)
{
    if (absolutePaths.size() <= 1)
        return absolutePaths.value(0);
    QString text = QFileInfo(absolutePaths.front()).absolutePath();
    for (const QString &path : absolutePaths)
        text += QChar(u'\0') + QFileInfo(path).fileName();
    return text;
}

QString DisplayedText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

QString QtDialogs::openFileNames(QWidget *owner, const OpenFileRequest &request)
{
    QFileDialog dialog(owner, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((request.flags & OpenFileAllowMultiSelect) ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    dialog.setNameFilters(NameFiltersFromClassicFilter(request.filter));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QString text = FileNameTextForSelection(dialog.selectedFiles());
    if (text.size() > request.maxFileNameLength)
        throw RuntimeError(RuntimeError::BufferTooSmall);
    return text;
}

QString QtDialogs::chooseFolder(QWidget *owner, const QString &title, const QString &startFolder)
{
    QFileDialog dialog(owner, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (IsFolder(startFolder))
        dialog.setDirectory(startFolder);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QString chosen = QDir::cleanPath(dialog.selectedFiles().value(0));
    return IsFolder(chosen) ? chosen : QString();
}

bool QtDialogs::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

MessageAnswer QtDialogs::showMessage(const MessageRequest &request)
{
    QMessageBox box(qtIcon(request.icon), request.title, DisplayedText(request.text), qtButtons(request.buttons),
        QApplication::activeWindow());
    if (!request.detailedText.isEmpty())
        box.setDetailedText(request.detailedText);
    keepCaptionVisible(box);
    return answerFor(box.exec());
}

QString QtDialogs::askText(const QString &title, const QString &prompt, const QString &defaultAnswer)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(title);
    dialog.setLabelText(DisplayedText(prompt));
    dialog.setTextValue(defaultAnswer);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue();
}
