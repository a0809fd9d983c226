// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PathHelpers.h"
#include "RuntimeError.h"
#include "TestTree.h"

#include <QTemporaryDir>
#include <QTest>

class TestPathHelpers final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void folderOfPath_data();
    void folderOfPath();
    void fileNameOfPath_data();
    void fileNameOfPath();
    void stripExtension_data();
    void stripExtension();
    void collapseBackslashes_data();
    void collapseBackslashes();
    void positionsBeyond32767Overflow_data();
    void positionsBeyond32767Overflow();
    void fileExistsAndIsFolder();
    void writeBytesWritesFromTheStartWithoutShortening();
    void writeBytesIntoMissingFolderFails();
    void deleteFileQuietlyIgnoresFailures();
    void desktopFolderEndsWithSeparator_data();
    void desktopFolderEndsWithSeparator();
    void specialBufferWithoutNulIsInvalid();
};

void TestPathHelpers::folderOfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("file in folder") << "/a/b.avi"
                                    << "/a/";
    QTest::newRow("bare name") << "b.avi"
                               << "";
    QTest::newRow("root") << "/"
                          << "/";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("trailing separator") << "/a/b/"
                                        << "/a/b/";
}

void TestPathHelpers::folderOfPath()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(FolderOfPath(path), expected);
}

void TestPathHelpers::fileNameOfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("file in folder") << "/a/b.avi"
                                    << "b.avi";
    QTest::newRow("bare name") << "b.avi"
                               << "b.avi";
    QTest::newRow("folder only") << "/a/"
                                 << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestPathHelpers::fileNameOfPath()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(FileNameOfPath(path), expected);
}

void TestPathHelpers::stripExtension_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("extension") << "/a/b.avi"
                               << "/a/b";
    QTest::newRow("none") << "/a/b"
                          << "/a/b";
    QTest::newRow("dot first") << ".avi"
                               << ".avi";
    QTest::newRow("two dots") << "a.b.c"
                              << "a.b";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("dot in folder only") << "/my.clips/holiday"
                                        << "/my";
    QTest::newRow("trailing dot") << "a."
                                  << "a";
}

void TestPathHelpers::stripExtension()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(StripExtension(text), expected);
}

void TestPathHelpers::collapseBackslashes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("doubled inside") << "/a//b"
                                    << "/a/b";
    QTest::newRow("tripled inside") << "/a///b"
                                    << "/a//b";
    QTest::newRow("relative doubled") << "a//b"
                                      << "a/b";
    QTest::newRow("relative tripled") << "a///b"
                                      << "a//b";
    QTest::newRow("two leading") << "//srv/a//b"
                                 << "/srv/a/b";
    QTest::newRow("three leading") << "///srv/a"
                                   << "/srv/a";
    QTest::newRow("one leading") << "/folder/x"
                                 << "/folder/x";
    QTest::newRow("separators only") << "////"
                                     << "/";
    QTest::newRow("root and name") << "//x.avi"
                                   << "/x.avi";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("four inside") << "a////b"
                                 << "a//b";
}

void TestPathHelpers::collapseBackslashes()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(CollapseBackslashes(path), expected);
}

void TestPathHelpers::positionsBeyond32767Overflow_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("overflows");
    QTest::newRow("at 32767") << 32767 << false;
    QTest::newRow("at 32768") << 32768 << true;
}

void TestPathHelpers::positionsBeyond32767Overflow()
{
    QFETCH(int, position);
    QFETCH(bool, overflows);
    const QString lead(position - 1, u'a');
    struct Case {
        QString (*helper)(const QString &);
        QString text;
        qsizetype keptLength;
    };
    const QList<Case> cases = {
        {FolderOfPath, lead + QStringLiteral("/x"), position}, // the separator is kept
        {StripExtension, lead + QStringLiteral(".x"), position - 1}, // the dot is not
    };
    for (const Case &c : cases) {
        try {
            QCOMPARE(c.helper(c.text).size(), c.keptLength);
            QVERIFY(!overflows);
        } catch (const RuntimeError &error) {
            QVERIFY(overflows);
            QCOMPARE(error.number(), int(RuntimeError::Overflow));
        }
    }
}

void TestPathHelpers::fileExistsAndIsFolder()
{
    QTemporaryDir dir;
    const QString file = WriteTextFile(dir.filePath(QStringLiteral("clip.avi")), "x");
    QVERIFY(FileExists(file));
    QVERIFY(!IsFolder(file));
    QVERIFY(FileExists(dir.path()));
    QVERIFY(IsFolder(dir.path()));
    QVERIFY(IsFolder(dir.path() + u'/'));
    QVERIFY(!FileExists(QString()));
    QVERIFY(!IsFolder(QString()));
    QVERIFY(!FileExists(dir.filePath(QStringLiteral("missing/clip.avi"))));
    QVERIFY(!IsFolder(dir.filePath(QStringLiteral("missing"))));
}

void TestPathHelpers::writeBytesWritesFromTheStartWithoutShortening()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bytes.bin"));
    WriteBytesToFile("abcdef", path);
    WriteBytesToFile("XY", path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("XYcdef"));
}

void TestPathHelpers::writeBytesIntoMissingFolderFails()
{
    QTemporaryDir dir;
    try {
        WriteBytesToFile("x", dir.filePath(QStringLiteral("missing/bytes.bin")));
        QFAIL("writing into a missing folder succeeded");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), int(RuntimeError::PathNotFound));
    }
}

void TestPathHelpers::deleteFileQuietlyIgnoresFailures()
{
    QTemporaryDir dir;
    const QString file = WriteTextFile(dir.filePath(QStringLiteral("gone.txt")), "x");
    DeleteFileQuietly(file);
    QVERIFY(!QFile::exists(file));
    DeleteFileQuietly(file);
    DeleteFileQuietly(QString());
    DeleteFileQuietly(dir.path()); // a folder is not a file: left alone
    QVERIFY(QFileInfo(dir.path()).isDir());
}

void TestPathHelpers::desktopFolderEndsWithSeparator_data()
{
    QTest::addColumn<QString>("makeFolder"); // made below the home folder first; empty for none
    QTest::addColumn<QByteArray>("userDirs"); // the user's user-dirs.dirs; empty for none
    QTest::addColumn<QString>("expected"); // below the home folder
    QTest::newRow("Desktop exists") << QStringLiteral("Desktop") << QByteArray() << QStringLiteral("/Desktop/");
    QTest::newRow("no desktop folder: the home folder") << QString() << QByteArray() << QStringLiteral("/");
    QTest::newRow("named in user-dirs.dirs")
        << QStringLiteral("Schreibtisch") << QByteArray("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n")
        << QStringLiteral("/Schreibtisch/");
    QTest::newRow("named but missing: the home folder")
        << QString() << QByteArray("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n") << QStringLiteral("/");
}

void TestPathHelpers::desktopFolderEndsWithSeparator()
{
    QFETCH(QString, makeFolder);
    QFETCH(QByteArray, userDirs);
    QFETCH(QString, expected);
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    if (!makeFolder.isEmpty())
        QVERIFY(QDir(home.path()).mkpath(makeFolder));
    if (!userDirs.isEmpty()) {
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("config")));
        QFile dirs(home.filePath(QStringLiteral("config/user-dirs.dirs")));
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write(userDirs);
    }
    QString raw;
    const QString desktop = DesktopFolder(&raw);
    QCOMPARE(desktop, home.path() + expected);
    QCOMPARE(raw.size(), 512);
    QCOMPARE(raw.indexOf(QChar(u'\0')), desktop.size() - 1);
    QCOMPARE(SpecialFolderBuffer(12345), QString());
}

void TestPathHelpers::specialBufferWithoutNulIsInvalid()
{
    QCOMPARE(FolderFromSpecialBuffer(QStringLiteral("/home/ann/Desktop") + QChar(u'\0') + QStringLiteral("   ")),
        QStringLiteral("/home/ann/Desktop/"));
    try {
        FolderFromSpecialBuffer(QString());
        QFAIL("an empty buffer gave a folder");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), int(RuntimeError::InvalidArgument));
    }
}

QTEST_GUILESS_MAIN(TestPathHelpers)
#include "tst_path_helpers.moc"
