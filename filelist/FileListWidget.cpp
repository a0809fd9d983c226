// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileListWidget.h"

#include "PathListModel.h"

#include <QAccessible>
#include <QHeaderView>
#include <QKeyEvent>

QString FileListHelpText()
{
    return QStringLiteral("Drag and drop files here. Double-click item to remove it. Move | line to right and out of "
                          "window to reveal full names.");
}

FileListWidget::FileListWidget(QWidget *parent)
    : QTreeView(parent)
    , m_model(new PathListModel(this))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    // Rows of one height let the view place a hundred thousand of them
    // without measuring each.
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTextElideMode(Qt::ElideNone);
    setHeaderHidden(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    setToolTip(FileListHelpText());
    setAccessibleDescription(FileListHelpText());
}

void FileListWidget::addColumn(const QString &headerText)
{
    m_model->setHeaderText(headerText);
    setHeaderHidden(false);
}

void FileListWidget::setColumnWidthInPixels(int width)
{
    header()->resizeSection(0, width);
}

void FileListWidget::appendPath(const QString &path)
{
    m_model->append(path);
}

void FileListWidget::appendPaths(const QStringList &paths)
{
    m_model->append(paths);
}

void FileListWidget::appendFolderFiles(const QString &folder, const QStringList &names)
{
    m_model->append(folder, names);
}

int FileListWidget::count() const
{
    return m_model->rowCount();
}

QString FileListWidget::textAt(int index) const
{
    return m_model->pathAt(index - 1);
}

bool FileListWidget::holdsText(int index, const QString &text) const
{
    return m_model->holds(index - 1, text);
}

void FileListWidget::setTextAt(int index, const QString &text)
{
    m_model->setPathAt(index - 1, text);
}

void FileListWidget::removeAt(int index)
{
    // In single selection the view hands the selection of a removed item to
    // the one that moves up into its place (the new last one when the last
    // went), so the keys go on from there.
    m_model->removeAt(index - 1);
}

void FileListWidget::removeAll()
{
    m_model->clear();
}

int FileListWidget::selectedIndex() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? 0 : selected.front().row() + 1;
}

void FileListWidget::selectIndex(int index)
{
    const QModelIndex item = m_model->index(index - 1);
    if (item.isValid())
        setCurrentIndex(item);
}

int FileListWidget::itemIndexAt(const QPoint &viewportPoint) const
{
    const QModelIndex item = indexAt(viewportPoint);
    return item.isValid() ? item.row() + 1 : 0;
}

QRect FileListWidget::itemRect(int index) const
{
    const QModelIndex item = m_model->index(index - 1);
    return item.isValid() ? visualRect(item) : QRect();
}

void FileListWidget::scrollToItemIndex(int index)
{
    const QModelIndex item = m_model->index(index - 1);
    if (item.isValid())
        scrollTo(item);
}

void FileListWidget::removeSelected()
{
    if (count() == 0)
        return;
    const int index = selectedIndex();
    if (index > 0)
        removeAt(index);
}

bool FileListWidget::event(QEvent *event)
{
    // The header takes drops like the rest of the list: a drag over it
    // reaches the header's viewport, which passes what it cannot use on to
    // the header.
    if (event->type() == QEvent::AcceptDropsChange)
        header()->setAcceptDrops(acceptDrops());
    return QTreeView::event(event);
}

void FileListWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    // A double-click of the other buttons removes nothing.
    if (event->button() == Qt::LeftButton)
        Q_EMIT doubleClicked();
}

void FileListWidget::keyPressEvent(QKeyEvent *event)
{
    Q_EMIT keyDown(event->key());
    if (event->key() == Qt::Key_Delete)
        event->accept();
    else
        QTreeView::keyPressEvent(event);
}

void FileListWidget::focusInEvent(QFocusEvent *event)
{
    QTreeView::focusInEvent(event);
    // A screen reader hears of the list's focus only after this returns, and
    // of the row with the cursor not at all when it stayed where it was;
    // told of the row next, it reads the row the keys act on.
    QMetaObject::invokeMethod(this, &FileListWidget::announceCurrentRow, Qt::QueuedConnection);
}

void FileListWidget::announceCurrentRow()
{
    if (!QAccessible::isActive() || !hasFocus() || !currentIndex().isValid())
        return;
    QAccessibleTableInterface *table = QAccessible::queryAccessibleInterface(this)->tableInterface();
    if (QAccessibleInterface *row = table ? table->cellAt(currentIndex().row(), 0) : nullptr) {
        QAccessibleEvent focus(row, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

bool IsListed(const FileListWidget &list, const QString &text)
{
    // Every item is compared, as the list is read in one pass.
    bool found = false;
    const int count = list.count();
    for (int i = 1; i <= count; ++i)
        found = list.holdsText(i, text) || found;
    return found;
}
