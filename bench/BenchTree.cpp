// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchTree.h"

#include "FileListWidget.h"
#include "QuietStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <cstdio>

namespace BenchTree {

namespace {

constexpr int kTop = 10;
constexpr int kMiddle = 9;
constexpr int kLeaves = 110;
constexpr int kFilesPerFolder = kFiles / kFolders;
static_assert(kTop + kTop * kMiddle + kTop * kMiddle * kLeaves == kFolders);

// The folders breadth first; the numbers are padded so that creation order
// is listing order.
QStringList foldersOf(const QString &root)
{
    QStringList top, middle, leaves;
    for (int a = 0; a < kTop; ++a)
        top << root + QStringLiteral("/Top%1").arg(a);
    for (const QString &folder : std::as_const(top)) {
        for (int b = 0; b < kMiddle; ++b)
            middle << folder + QStringLiteral("/Middle%1").arg(b);
    }
    for (const QString &folder : std::as_const(middle)) {
        for (int c = 0; c < kLeaves; ++c)
            leaves << folder + QStringLiteral("/Leaf%1").arg(c, 3, 10, QChar(u'0'));
    }
    return top + middle + leaves;
}

QString fileName(int i)
{
    return QStringLiteral("clip%1.avi").arg(i);
}

} // namespace

QStringList ExpectedPaths(const QString &root)
{
    QStringList paths;
    paths.reserve(kFiles);
    const QStringList folders = foldersOf(root);
    for (const QString &folder : folders) {
        for (int i = 0; i < kFilesPerFolder; ++i)
            paths << folder + u'/' + fileName(i);
    }
    return paths;
}

double AverageLength(const QStringList &paths)
{
    double total = 0;
    for (const QString &path : paths)
        total += double(path.size());
    return paths.isEmpty() ? 0 : total / double(paths.size());
}

bool Make(const QString &root)
{
    const QStringList folders = foldersOf(root);
    for (const QString &folder : folders) {
        if (!QDir().mkpath(folder))
            return false;
        for (int i = 0; i < kFilesPerFolder; ++i) {
            QFile file(folder + u'/' + fileName(i));
            if (!file.open(QIODevice::WriteOnly))
                return false;
        }
    }
    return true;
}

void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

ShownWindow::ShownWindow()
    : m_form(m_dialogs, QuietStart())
{
    m_form.show();
    if (!QTest::qWaitForWindowExposed(&m_form))
        std::fprintf(stderr, "the window was not shown\n");
    Settle();
}

void ShownWindow::addAll(const QString &root)
{
    m_dialogs.inputAnswers << QStringLiteral("avi");
    m_dialogs.folderAnswers << root;
    m_form.PushButton3_Click();
    Settle();
}

void ShownWindow::clearList()
{
    m_form.PushButton7_Click();
    Settle();
}

bool ShownWindow::holds(const QStringList &paths) const
{
    const FileListWidget &list = *m_form.listView1();
    if (!m_dialogs.messages.isEmpty() || list.count() != paths.size())
        return false;
    for (int i = 0; i < paths.size(); ++i) {
        if (list.textAt(i + 1) != paths[i])
            return false;
    }
    return true;
}

bool ShownWindow::isEmpty() const
{
    return m_form.listView1()->count() == 0;
}

} // namespace BenchTree
