// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PathListModel.h"

#include "FreeMemory.h"

PathListModel::PathListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

int PathListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_paths.size());
}

QVariant PathListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_paths.size())
        return QVariant();
    return m_paths.at(index.row());
}

QVariant PathListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section != 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    return m_headerText;
}

Qt::ItemFlags PathListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Never editable; a row never has children, which spares the view asking.
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

void PathListModel::setHeaderText(const QString &text)
{
    m_headerText = text;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, 0);
}

QString PathListModel::pathAt(int row) const
{
    return m_paths.at(row);
}

bool PathListModel::holds(int row, const QString &text) const
{
    return m_paths.holds(row, text);
}

void PathListModel::setPathAt(int row, const QString &path)
{
    if (row < 0 || row >= m_paths.size())
        return;
    m_paths.replace(row, path);
    const QModelIndex changed = index(row);
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
}

void PathListModel::append(const QString &path)
{
    const int row = int(m_paths.size());
    beginInsertRows(QModelIndex(), row, row);
    m_paths.append(path);
    endInsertRows();
}

void PathListModel::append(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    const int first = int(m_paths.size());
    beginInsertRows(QModelIndex(), first, first + int(paths.size()) - 1);
    for (const QString &path : paths)
        m_paths.append(path);
    endInsertRows();
}

void PathListModel::append(const QString &folder, const QStringList &names)
{
    if (names.isEmpty())
        return;
    const int first = int(m_paths.size());
    beginInsertRows(QModelIndex(), first, first + int(names.size()) - 1);
    m_paths.append(folder, names);
    endInsertRows();
}

void PathListModel::removeAt(int row)
{
    if (row < 0 || row >= m_paths.size())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_paths.removeAt(row);
    endRemoveRows();
}

void PathListModel::clear()
{
    if (m_paths.size() == 0)
        return;
    beginResetModel();
    m_paths.clear();
    endResetModel();
    ReturnFreeMemory();
}
