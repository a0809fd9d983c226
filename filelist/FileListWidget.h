// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTreeView>

class PathListModel;

// The list of input files: one column of plain path texts, in conversion
// order. Items are counted from 1 at the top; new ones always go to the end.
class FileListWidget final : public QTreeView {
    Q_OBJECT
public:
    explicit FileListWidget(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(FileListWidget)

    // Shows the one column with its header text.
    void addColumn(const QString &headerText);
    void setColumnWidthInPixels(int width);

    void appendPath(const QString &path);
    // Appends the paths in their order, as one change of the list.
    void appendPaths(const QStringList &paths);
    // Appends folder + name for each name in their order, as one change of
    // the list; folder ends with its separator. The paths of one folder share
    // its text.
    void appendFolderFiles(const QString &folder, const QStringList &names);
    int count() const;
    QString textAt(int index) const;
    // Whether item index holds exactly this text.
    bool holdsText(int index, const QString &text) const;
    void setTextAt(int index, const QString &text);
    void removeAt(int index);
    void removeAll();

    // The item the list reports as selected, counted from 1; 0 for none.
    int selectedIndex() const;
    void selectIndex(int index);

    // The item under a point of the viewport, counted from 1; 0 for none.
    int itemIndexAt(const QPoint &viewportPoint) const;
    // Where item index is drawn, in viewport coordinates; empty for none.
    QRect itemRect(int index) const;
    // Scrolls the list so that item index is visible.
    void scrollToItemIndex(int index);

    // Removes the selected item; nothing happens when the list is empty or
    // nothing is selected.
    void removeSelected();

Q_SIGNALS:
    void doubleClicked();
    void keyDown(int key);

protected:
    bool event(QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void announceCurrentRow();

    PathListModel *m_model;
};

// The help text shown when the pointer rests over the list.
QString FileListHelpText();

// True when some item of the list holds exactly this text.
bool IsListed(const FileListWidget &list, const QString &text);
