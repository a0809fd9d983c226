// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AddAllInFolder.h"
#include "ApplicationTitle.h"
#include "ConversionRun.h"
#include "FileListWidget.h"
#include "ListItems.h"
#include "Form1.h"
#include "QuietStart.h"
#include "ScriptedDialogs.h"
#include "TestTree.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kCannotBecomeRoot = 3;

// Makes the folder the root of this process's view of the file system. Needs
// a mount namespace of its own (unshare -Urm); the libraries and plugins are
// loaded already.
bool becomeRoot(const QByteArray &folder)
{
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
        && ::mount(folder.constData(), folder.constData(), nullptr, MS_BIND | MS_REC, nullptr) == 0
        && ::chdir(folder.constData()) == 0 && ::syscall(SYS_pivot_root, ".", ".") == 0
        && ::umount2(".", MNT_DETACH) == 0 && ::chdir("/") == 0;
}

// Runs "Add All" on the root folder of a small tree that stands in for the
// whole file system, and prints the items and the titles of what was shown.
int addAllAtRoot(int argc, char **argv)
{
    QApplication app(argc, argv);
    ScriptedDialogs dialogs;
    dialogs.inputAnswers << u"avi"_s;
    dialogs.folderAnswers << u"/"_s;
    Form1 form(dialogs, QuietStart());
    if (!becomeRoot(argv[2]))
        return kCannotBecomeRoot;
    form.PushButton3_Click();
    for (const QString &item : itemsOf(*form.listView1()))
        std::printf("%s\n", item.toLocal8Bit().constData());
    for (const MessageRequest &message : std::as_const(dialogs.messages))
        std::printf("message: %s\n", message.title.toLocal8Bit().constData());
    std::fflush(stdout);
    // Nothing of the machine is left to look at for the leak check at exit.
    ::_exit(0);
}

} // namespace

class TestAddAll final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void askedAsDesigned();
    void storedExtensionIsTheDefaultAnswer();
    void emptyAnswerChangesNothing();
    void cancelInPickerStoresTheExtensionOnly();
    void answerGivesThePattern_data();
    void answerGivesThePattern();
    void pickingTwiceListsTwice();
    void pickedTrashFolderGivesItsOwnFilesOnly();
    void pickerOpensAtTheLastFolderAfterARestart();
    void scanShowsBusyAndGivesBackThePointerItFound_data();
    void scanShowsBusyAndGivesBackThePointerItFound();
    void scanDuringAConversionRunLeavesTheRunBusy();
    void closingDuringTheScanStopsItAndCloses();
    void rootGivesSingleSeparators();

private:
    QString path(const QString &relative) const { return m_tree.path() + u'/' + relative; }
    void click(const QString &answer, const QString &folder);

    QTemporaryDir m_config;
    QTemporaryDir m_tree;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Form1> m_form;
};

void TestAddAll::initTestCase()
{
    QVERIFY(m_tree.isValid());
    const QDir tree(m_tree.path());
    for (const QString &folder : {u"T/L1/L2/L3"_s, u"T/M"_s, u"T/.Trash-1000/inner"_s})
        QVERIFY(tree.mkpath(folder));
    for (const QString &file : {u"T/a.avi"_s, u"T/B.AVI"_s, u"T/c.txt"_s, u"T/~t.avi"_s, u"T/.h.avi"_s, u"T/.ro.avi"_s,
             u"T/L1/d.avi"_s, u"T/L1/L2/e.avi"_s, u"T/L1/L2/L3/f.avi"_s, u"T/M/m.avi"_s, u"T/.Trash-1000/x.avi"_s,
             u"T/.Trash-1000/inner/y.avi"_s})
        WriteTextFile(path(file), "x");
    QVERIFY(QFile::setPermissions(path(u"T/.ro.avi"_s), QFileDevice::ReadOwner));
    QCOMPARE(::mkfifo(QFile::encodeName(path(u"T/pipe.avi"_s)).constData(), 0644), 0);
    QVERIFY(QFile::link(path(u"T"_s), path(u"T/L1/back"_s)));
}

void TestAddAll::init()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    QFile::remove(m_config.path() + u"/Kestrune.ini"_s);
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_form = std::make_unique<Form1>(*m_dialogs, QuietStart());
}

void TestAddAll::cleanup()
{
    m_form.reset();
    m_dialogs.reset();
}

void TestAddAll::click(const QString &answer, const QString &folder)
{
    m_dialogs->inputAnswers << answer;
    m_dialogs->folderAnswers << folder;
    m_form->pushButton3()->click();
}

void TestAddAll::askedAsDesigned()
{
    m_form->pushButton3()->click();
    QCOMPARE(m_dialogs->inputRequests.size(), 1);
    const ScriptedDialogs::InputRequest &asked = m_dialogs->inputRequests.front();
    QCOMPARE(asked.title, ApplicationTitle());
    QCOMPARE(asked.prompt,
        u"Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc files, etc.)"_s);
    QCOMPARE(asked.defaultAnswer, u"avi"_s);
}

void TestAddAll::storedExtensionIsTheDefaultAnswer()
{
    m_form->settings().writeText(AddAllKey::Extension, u"mov"_s);
    m_form->pushButton3()->click();
    QCOMPARE(m_dialogs->inputRequests.front().defaultAnswer, u"mov"_s);
}

void TestAddAll::emptyAnswerChangesNothing()
{
    m_form->listView1()->appendPath(u"/kept.avi"_s);
    click(QString(), path(u"T"_s));
    QVERIFY(m_dialogs->folderRequests.isEmpty());
    QCOMPARE(m_form->settings().readText(AddAllKey::Extension, u"none"_s), u"none"_s);
    QCOMPARE(m_form->settings().readText(AddAllKey::LastFolder, u"none"_s), u"none"_s);
    QCOMPARE(itemsOf(*m_form->listView1()), QStringList{u"/kept.avi"_s});
}

void TestAddAll::cancelInPickerStoresTheExtensionOnly()
{
    click(u"mkv"_s, QString());
    QCOMPARE(m_dialogs->folderRequests.size(), 1);
    QCOMPARE(m_dialogs->folderRequests.front().title, u"Please select folder:"_s);
    QCOMPARE(m_dialogs->folderRequests.front().owner, m_form.get());
    QCOMPARE(m_form->settings().readText(AddAllKey::Extension, u"none"_s), u"mkv"_s);
    QCOMPARE(m_form->settings().readText(AddAllKey::LastFolder, u"none"_s), u"none"_s);
    QCOMPARE(m_form->listView1()->count(), 0);
}

void TestAddAll::answerGivesThePattern_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("items");
    const QStringList videos = {u"T/.ro.avi"_s, u"T/a.avi"_s, u"T/B.AVI"_s, u"T/L1/d.avi"_s, u"T/M/m.avi"_s,
        u"T/L1/L2/e.avi"_s, u"T/L1/L2/L3/f.avi"_s};
    QTest::newRow("avi: deeper levels after the levels above") << u"avi"_s << videos;
    QTest::newRow("AVI") << u"AVI"_s << videos;
    QTest::newRow("*: every type") << u"*"_s
                                   << QStringList{u"T/.ro.avi"_s, u"T/a.avi"_s, u"T/B.AVI"_s, u"T/c.txt"_s,
                                          u"T/L1/d.avi"_s, u"T/M/m.avi"_s, u"T/L1/L2/e.avi"_s, u"T/L1/L2/L3/f.avi"_s};
    QTest::newRow("txt") << u"txt"_s << QStringList{u"T/c.txt"_s};
    QTest::newRow(".avi: two dots match nothing") << u".avi"_s << QStringList();
}

void TestAddAll::answerGivesThePattern()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, items);
    QStringList expected;
    for (const QString &item : std::as_const(items))
        expected << path(item);
    click(answer, path(u"T"_s));
    QCOMPARE(itemsOf(*m_form->listView1()), expected);
    QCOMPARE(m_dialogs->messages.size(), 0);
    QCOMPARE(m_form->settings().readText(AddAllKey::Extension, QString()), answer);
    QCOMPARE(m_form->settings().readText(AddAllKey::LastFolder, QString()), path(u"T"_s));
}

void TestAddAll::pickingTwiceListsTwice()
{
    click(u"avi"_s, path(u"T/M"_s));
    click(u"avi"_s, path(u"T/M"_s));
    QCOMPARE(itemsOf(*m_form->listView1()), QStringList({path(u"T/M/m.avi"_s), path(u"T/M/m.avi"_s)}));
}

void TestAddAll::pickedTrashFolderGivesItsOwnFilesOnly()
{
    // A trash folder is passed over below a picked folder (see above); picked
    // itself, it is not walked, but its own files are listed.
    click(u"avi"_s, path(u"T/.Trash-1000"_s));
    QCOMPARE(itemsOf(*m_form->listView1()), QStringList{path(u"T/.Trash-1000/x.avi"_s)});
}

void TestAddAll::pickerOpensAtTheLastFolderAfterARestart()
{
    click(u"avi"_s, path(u"T/L1"_s));
    m_form.reset();
    ScriptedDialogs dialogs;
    Form1 restarted(dialogs, QuietStart());
    dialogs.inputAnswers << u"avi"_s;
    restarted.pushButton3()->click();
    QCOMPARE(dialogs.folderRequests.size(), 1);
    QCOMPARE(dialogs.folderRequests.front().startFolder, path(u"T/L1"_s));
    QCOMPARE(dialogs.inputRequests.front().defaultAnswer, u"avi"_s);
}

void TestAddAll::scanShowsBusyAndGivesBackThePointerItFound_data()
{
    QTest::addColumn<int>("before");
    QTest::newRow("idle window") << int(PointerDefault);
    QTest::newRow("conversion run under way") << int(PointerBusy);
    QTest::newRow("custom pointer") << int(PointerCustom);
}

void TestAddAll::scanShowsBusyAndGivesBackThePointerItFound()
{
    QFETCH(int, before);
    m_form->setMousePointer(before);
    bool busyDuringScan = false;
    QTimer::singleShot(0, this, [&] { busyDuringScan = m_form->isBusy(); });
    click(u"avi"_s, path(u"T"_s));
    QVERIFY(busyDuringScan);
    QCOMPARE(m_form->mousePointer(), before);
    QCOMPARE(m_form->listView1()->count(), 7);
}

void TestAddAll::scanDuringAConversionRunLeavesTheRunBusy()
{
    QTemporaryDir work;
    qputenv("TEMP", work.path().toUtf8());
    m_form->conversionRun().setConverterResource(WriteScript(work.filePath(u"converter.sh"_s), u"sleep 0.5"_s));
    m_form->text1()->setText(work.path() + u'/');
    m_form->listView1()->appendPath(path(u"T/a.avi"_s));
    bool busyAfterScan = false;
    int itemsAfterScan = 0;
    // The user starts "Add All" while the run waits for its converter.
    QTimer::singleShot(100, m_form.get(), [&] {
        click(u"avi"_s, path(u"T/M"_s));
        busyAfterScan = m_form->isBusy();
        itemsAfterScan = m_form->listView1()->count();
    });
    m_form->PushButton2_Click();
    QCOMPARE(itemsAfterScan, 2);
    QVERIFY(busyAfterScan);
    QVERIFY(!m_form->isBusy());
    QCOMPARE(m_dialogs->messageTexts().size(), 1);
    QVERIFY(m_dialogs->messageTexts().front().startsWith(u"Done."_s));
    qunsetenv("TEMP");
}

void TestAddAll::closingDuringTheScanStopsItAndCloses()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTimer::singleShot(0, m_form.get(), [&] { m_form->close(); });
    click(u"*"_s, path(u"T"_s));
    QVERIFY(m_form->listView1()->count() < 8);
    QTRY_VERIFY(!m_form->isVisible());
}

void TestAddAll::rootGivesSingleSeparators()
{
    if (QProcess::execute(u"unshare"_s, {u"-Urm"_s, u"true"_s}) != 0)
        QSKIP("no user and mount namespaces here; a scan of the machine's real root would take minutes");
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(u"sub/deeper"_s));
    for (const QString &file : {u"x.avi"_s, u"sub/y.AVI"_s, u"sub/deeper/z.avi"_s, u"sub/note.txt"_s})
        WriteTextFile(root.path() + u'/' + file, "x");
    QProcess child;
    child.start(
        u"unshare"_s, {u"-Urm"_s, QCoreApplication::applicationFilePath(), u"--add-all-at-root"_s, root.path()});
    QVERIFY(child.waitForFinished(60000));
    if (child.exitCode() == kCannotBecomeRoot)
        QSKIP("a mount namespace here cannot change its root folder");
    QCOMPARE(child.exitCode(), 0);
    const QStringList lines = QString::fromLocal8Bit(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    // The choices cannot be saved in a root that holds no home; no failure is
    // reported.
    QCOMPARE(lines.filter(u"message: Application Error"_s), QStringList());
    QCOMPARE(lines.filter(u".avi"_s, Qt::CaseInsensitive),
        QStringList({u"/x.avi"_s, u"/sub/y.AVI"_s, u"/sub/deeper/z.avi"_s}));
}

int main(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--add-all-at-root") == 0)
        return addAllAtRoot(argc, argv);
    QApplication app(argc, argv);
    TestAddAll test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_add_all.moc"
