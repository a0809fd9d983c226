// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PathTable.h"

#include <QAbstractListModel>
#include <QStringList>

// The texts of the file list, one row per path and nothing else: a scan of a
// whole drive lists a hundred thousand paths, so a row costs a few bytes of
// a PathTable and no object of its own.
class PathListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit PathListModel(QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(PathListModel)

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    void setHeaderText(const QString &text);

    // Rows are counted from 0 here; out-of-range rows are ignored.
    QString pathAt(int row) const;
    bool holds(int row, const QString &text) const;
    void setPathAt(int row, const QString &path);
    void append(const QString &path);
    void append(const QStringList &paths);
    // folder + name for each name, as one change; folder ends with its
    // separator.
    void append(const QString &folder, const QStringList &names);
    void removeAt(int row);
    // Gives the memory of the texts back as well.
    void clear();

private:
    PathTable m_paths;
    QString m_headerText;
};
