// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileListWidget.h"

#include <QHeaderView>
#include <QKeyEvent>

QString FileListHelpText()
{
    return QStringLiteral("Drag and drop files here. Double-click item to remove it. Move | line to right and out of "
                          "window to reveal full names.");
}

FileListWidget::FileListWidget(QWidget *parent)
    : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
    setHeaderHidden(true);
    setColumnCount(1);
    header()->setStretchLastSection(false);
    setToolTip(FileListHelpText());
}

void FileListWidget::addColumn(const QString &headerText)
{
    setHeaderLabels({headerText});
    setHeaderHidden(false);
}

void FileListWidget::setColumnWidthInPixels(int width)
{
    header()->resizeSection(0, width);
}

void FileListWidget::appendPath(const QString &path)
{
    auto *item = new QTreeWidgetItem(this);
    item->setText(0, path);
}

int FileListWidget::count() const
{
    return topLevelItemCount();
}

QString FileListWidget::textAt(int index) const
{
    const QTreeWidgetItem *item = topLevelItem(index - 1);
    return item ? item->text(0) : QString();
}

void FileListWidget::setTextAt(int index, const QString &text)
{
    if (QTreeWidgetItem *item = topLevelItem(index - 1))
        item->setText(0, text);
}

void FileListWidget::removeAt(int index)
{
    delete takeTopLevelItem(index - 1);
}

void FileListWidget::removeAll()
{
    clear();
}

int FileListWidget::selectedIndex() const
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? 0 : indexOfTopLevelItem(selected.front()) + 1;
}

void FileListWidget::selectIndex(int index)
{
    if (QTreeWidgetItem *item = topLevelItem(index - 1))
        setCurrentItem(item);
}

int FileListWidget::itemIndexAt(const QPoint &viewportPoint) const
{
    QTreeWidgetItem *item = itemAt(viewportPoint);
    return item ? indexOfTopLevelItem(item) + 1 : 0;
}

QRect FileListWidget::itemRect(int index) const
{
    const QTreeWidgetItem *item = topLevelItem(index - 1);
    return item ? visualItemRect(item) : QRect();
}

void FileListWidget::scrollToItemIndex(int index)
{
    if (const QTreeWidgetItem *item = topLevelItem(index - 1))
        scrollToItem(item);
}

void FileListWidget::removeSelected()
{
    if (count() == 0)
        return;
    const int index = selectedIndex();
    if (index > 0)
        removeAt(index);
}

void FileListWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    Q_EMIT doubleClicked();
}

void FileListWidget::keyPressEvent(QKeyEvent *event)
{
    Q_EMIT keyDown(event->key());
    if (event->key() == Qt::Key_Delete)
        event->accept();
    else
        QTreeWidget::keyPressEvent(event);
}

bool IsListed(const FileListWidget &list, const QString &text)
{
    // Every item is compared, as the list is read in one pass.
    bool found = false;
    const int count = list.count();
    for (int i = 1; i <= count; ++i)
        found = (list.textAt(i) == text) || found;
    return found;
}
