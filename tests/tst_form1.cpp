// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplicationTitle.h"
#include "FileListWidget.h"
#include "Form1.h"
#include "PathHelpers.h"
#include "QuietStart.h"
#include "ScriptedDialogs.h"
#include "TestTree.h"
#include "TextProgressBar.h"

#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

class TestForm1 final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void controlsAsDesigned_data();
    void controlsAsDesigned();
    void windowIsFixedAndTitled();
    void tabOrderFollowsTheDesign();
    void listHasItsColumnAndHelp();
    void homePageOpensOnlyOnDrawSeven_data();
    void homePageOpensOnlyOnDrawSeven();
    void progressBarKeepsFractionsAndValuesPast100();
    void busyPointerCoversEveryControlAndComesOff();
    void programReadsOnlyItsOwnOptions_data();
    void programReadsOnlyItsOwnOptions();
    void versionTellsTheConvertersWalls_data();
    void versionTellsTheConvertersWalls();

private:
    QTemporaryDir m_config;
};

void TestForm1::init()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
}

void TestForm1::controlsAsDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<qreal>("pointSize");
    QTest::newRow("ListView1") << u"ListView1"_s << u"Form1"_s << QString() << QRect(120, 120, 7800, 2535) << 9.0;
    QTest::newRow("PushButton1") << u"PushButton1"_s << u"Form1"_s << u"Add AVI File(s)"_s
                                 << QRect(120, 2750, 3840, 405) << 11.25;
    QTest::newRow("PushButton3") << u"PushButton3"_s << u"Form1"_s << u"Add All AVI File(s) In Folder"_s
                                 << QRect(4080, 2750, 3840, 405) << 11.25;
    QTest::newRow("PushButton7") << u"PushButton7"_s << u"Form1"_s << u"Clear List"_s << QRect(120, 3260, 3840, 405)
                                 << 11.25;
    QTest::newRow("PushButton8") << u"PushButton8"_s << u"Form1"_s << u"Load Sample/Example Files"_s
                                 << QRect(4080, 3260, 3840, 405) << 11.25;
    QTest::newRow("Frame1") << u"Frame1"_s << u"Form1"_s << u"Save Option"_s << QRect(120, 3700, 7800, 1815) << 9.0;
    QTest::newRow("Option1") << u"Option1"_s << u"Frame1"_s << u"Save results to this folder:"_s
                             << QRect(240, 300, 3615, 255) << 9.0;
    QTest::newRow("Frame3") << u"Frame3"_s << u"Frame1"_s << QString() << QRect(480, 510, 6840, 810) << 9.0;
    QTest::newRow("Text1") << u"Text1"_s << u"Frame3"_s << u"<desktop>"_s << QRect(240, 300, 5670, 345) << 9.0;
    QTest::newRow("PushButton4") << u"PushButton4"_s << u"Frame3"_s << u"..."_s << QRect(6000, 300, 600, 345) << 11.25;
    QTest::newRow("Option2") << u"Option2"_s << u"Frame1"_s << u"Save results in folder of original file"_s
                             << QRect(240, 1410, 3615, 255) << 9.0;
    QTest::newRow("PushButton2") << u"PushButton2"_s << u"Form1"_s << u"Start Converting"_s
                                 << QRect(120, 5640, 7800, 405) << 11.25;
    QTest::newRow("ProgressBar1") << u"ProgressBar1"_s << u"Form1"_s << u"Progress Bar"_s << QRect(120, 6160, 7800, 405)
                                  << 9.0;
}

void TestForm1::controlsAsDesigned()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    QFETCH(qreal, pointSize);

    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    auto *control = form.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget()->objectName(), container);
    QCOMPARE(control->geometry(),
        QRect(TwipsToPixels(twips.x()), TwipsToPixels(twips.y()), TwipsToPixels(twips.width()),
            TwipsToPixels(twips.height())));
    QCOMPARE(control->font().family(), u"Arial"_s);
    QVERIFY(control->font().bold());
    QCOMPARE(control->font().pointSizeF(), pointSize);

    QString shown;
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        shown = button->text();
    else if (auto *frame = qobject_cast<QGroupBox *>(control))
        shown = frame->title();
    else if (auto *bar = qobject_cast<TextProgressBar *>(control))
        shown = bar->text();
    else if (auto *box = qobject_cast<QLineEdit *>(control))
        shown = box->text();
    QCOMPARE(shown, caption == u"<desktop>"_s ? DesktopFolder() : caption);
}

void TestForm1::windowIsFixedAndTitled()
{
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    QCOMPARE(form.windowTitle(), u"Reelwright Software"_s);
    QCOMPARE(ApplicationTitle(), u"Reelwright"_s);
    QVERIFY(!form.windowIcon().isNull());
    QCOMPARE(form.size(), QSize(536, 446));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(form.option1()->isChecked());
    QVERIFY(!form.option2()->isChecked());
    QVERIFY(dialogs.messages.isEmpty());
}

void TestForm1::tabOrderFollowsTheDesign()
{
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    const QStringList designed
        = {u"ListView1"_s, u"ProgressBar1"_s, u"PushButton1"_s, u"PushButton3"_s, u"PushButton2"_s, u"PushButton7"_s,
            u"PushButton8"_s, u"Frame1"_s, u"Frame3"_s, u"Text1"_s, u"PushButton4"_s, u"Option1"_s, u"Option2"_s};
    QStringList focusable;
    for (const QString &name : designed) {
        if (form.findChild<QWidget *>(name)->focusPolicy() != Qt::NoFocus)
            focusable << name;
    }
    QCOMPARE(focusable.size(), 10); // the progress bar and the two frames never take the focus
    QStringList chain;
    QWidget *widget = form.listView1();
    do {
        if (focusable.contains(widget->objectName()) && !chain.contains(widget->objectName()))
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != form.listView1());
    QCOMPARE(chain, focusable);
}

void TestForm1::listHasItsColumnAndHelp()
{
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    FileListWidget *list = form.listView1();
    QCOMPARE(list->model()->columnCount(), 1);
    QVERIFY(!list->isHeaderHidden());
    QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), u"AVI File(s)"_s);
    QCOMPARE(list->header()->sectionSize(0), TwipsToPixels(7000));
    QCOMPARE(list->toolTip(),
        u"Drag and drop files here. Double-click item to remove it. Move | line to right and "
        "out of window to reveal full names."_s);
    QCOMPARE(list->count(), 0);
}

void TestForm1::homePageOpensOnlyOnDrawSeven_data()
{
    QTest::addColumn<int>("draw");
    QTest::addColumn<QString>("homePage");
    QTest::addColumn<bool>("desktopOpensIt");
    QTest::addColumn<QString>("opened"); // empty: nothing is opened
    QTest::addColumn<QString>("reported"); // the report's first line; empty: none
    const QString page = u"https://reelwright.test/start"_s;
    QTest::newRow("1") << 1 << page << true << QString() << QString();
    QTest::newRow("6") << 6 << page << true << QString() << QString();
    QTest::newRow("7") << 7 << page << true << page << QString();
    QTest::newRow("100") << 100 << page << true << QString() << QString();
    QTest::newRow("7 without a home page") << 7 << QString() << true << QString() << QString();
    QTest::newRow("7 without a scheme") << 7 << u"www.reelwright.test"_s << true << u"https://www.reelwright.test"_s
                                        << QString();
    QTest::newRow("7, the desktop cannot open it")
        << 7 << page << false << page << u"The home page %1 cannot be opened"_s.arg(page);
    QTest::newRow("7, a local file") << 7 << u"file:///etc/passwd"_s << true << QString()
                                     << u"The home page file:///etc/passwd is not a web address, so it is not opened"_s;
}

void TestForm1::homePageOpensOnlyOnDrawSeven()
{
    QFETCH(int, draw);
    QFETCH(QString, homePage);
    QFETCH(bool, desktopOpensIt);
    QFETCH(QString, opened);
    QFETCH(QString, reported);
    ScriptedDialogs dialogs;
    dialogs.openUrlAnswers.enqueue(desktopOpensIt);
    int draws = 0;
    Form1Setup setup;
    setup.drawOneToHundred = [&] {
        ++draws;
        return draw;
    };
    setup.homePage = homePage;
    Form1 form(dialogs, setup);
    QCOMPARE(draws, 1);
    QCOMPARE(dialogs.openedUrls, opened.isEmpty() ? QList<QUrl>{} : QList<QUrl>{QUrl(opened)});
    if (reported.isEmpty()) {
        QVERIFY(dialogs.messages.isEmpty());
    } else {
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.front().text.section(u"\r\n"_s, 0, 1),
            reported + u"\r\nin Framesmith2021/08/31.Form1.Form_Load at line 108"_s);
    }
}

void TestForm1::progressBarKeepsFractionsAndValuesPast100()
{
    TextProgressBar bar;
    QCOMPARE(bar.text(), u"Progress Bar"_s);
    bar.setValue(33.333);
    QCOMPARE(bar.value(), 33.333);
    bar.setValue(180);
    QCOMPARE(bar.value(), 180.0);
    QCOMPARE(bar.QProgressBar::value(), bar.maximum());
    bar.setText(u"Processing: 100% done.avi"_s);
    QCOMPARE(bar.text(), u"Processing: 100% done.avi"_s);
}

void TestForm1::busyPointerCoversEveryControlAndComesOff()
{
    ScriptedDialogs dialogs;
    Form1 form(dialogs, QuietStart());
    const Qt::CursorShape textCursor = form.text1()->cursor().shape();
    form.setMousePointer(PointerBusy);
    QVERIFY(form.isBusy());
    for (QWidget *widget : {static_cast<QWidget *>(&form), static_cast<QWidget *>(form.pushButton2()),
             static_cast<QWidget *>(form.text1()), static_cast<QWidget *>(form.listView1())})
        QCOMPARE(widget->cursor().shape(), Qt::WaitCursor);
    form.setMousePointer(PointerDefault);
    QVERIFY(!form.isBusy());
    QCOMPARE(form.pushButton2()->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(form.text1()->cursor().shape(), textCursor);
}

namespace {

// Whether the process has a handler for SIGTERM: the program installs it once
// its window is built, and a signal sent before then would kill it.
bool CatchesTermination(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return line.mid(7).trimmed().toULongLong(nullptr, 16) & (1ULL << (SIGTERM - 1));
    }
    return false;
}

// The environment the program starts in, with a runtime folder of its own so
// that Qt has nothing to say about it: "NAME" removes a variable, "NAME=value"
// sets it.
QProcessEnvironment ProgramEnvironment(const QString &runtimeFolder, const QStringList &changes)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtimeFolder);
    for (const QString &change : changes) {
        if (change.contains(u'='))
            environment.insert(change.section(u'=', 0, 0), change.section(u'=', 1));
        else
            environment.remove(change);
    }
    return environment;
}

} // namespace

void TestForm1::programReadsOnlyItsOwnOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<bool>("opensItsWindow"); // then it is ended with SIGTERM
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("firstLine"); // of its output; empty: it prints nothing
    const QString version = QStringLiteral("Reelwright " REELWRIGHT_VERSION);
    const QString usage = u"Usage: reelwright [-h | --help | --version]"_s;
    const QString styleSheet = QFINDTESTDATA("tst_form1.cpp"); // a file, but no style sheet Qt can read
    const QStringList noDisplay = {u"QT_QPA_PLATFORM"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s};
    const QString needsDesktop = u"Reelwright needs a graphical desktop, "_s;

    QTest::newRow("--version") << QStringList{u"--version"_s} << QStringList() << false << 0 << version;
    QTest::newRow("--help") << QStringList{u"--help"_s} << QStringList() << false << 0 << usage;
    QTest::newRow("-h") << QStringList{u"-h"_s} << QStringList() << false << 0 << usage;
    QTest::newRow("--help without a display") << QStringList{u"--help"_s} << noDisplay << false << 0 << usage;
    QTest::newRow("no argument") << QStringList() << QStringList() << true << 0 << QString();
    QTest::newRow("Qt's -platform") << QStringList{u"-platform"_s, u"x"_s} << QStringList() << true << 0 << QString();
    QTest::newRow("Qt's -stylesheet") << QStringList{u"-stylesheet"_s, styleSheet} << QStringList() << true << 0
                                      << QString();
    QTest::newRow("no display") << QStringList() << noDisplay << false << 1
                                << needsDesktop + u"and neither DISPLAY nor WAYLAND_DISPLAY is set"_s;
    QTest::newRow("a display that cannot be reached")
        << QStringList() << QStringList{u"QT_QPA_PLATFORM"_s, u"WAYLAND_DISPLAY"_s, u"DISPLAY=:4095"_s} << false << 1
        << needsDesktop + u"but the display DISPLAY=:4095 could not be opened"_s;
    QTest::newRow("no plugin for the platform")
        << QStringList() << QStringList{u"QT_QPA_PLATFORM=x"_s, u"WAYLAND_DISPLAY"_s, u"DISPLAY"_s} << false << 1
        << needsDesktop + u"and neither DISPLAY nor WAYLAND_DISPLAY is set (QT_QPA_PLATFORM=x)"_s;
}

void TestForm1::programReadsOnlyItsOwnOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(bool, opensItsWindow);
    QFETCH(int, exitCode);
    QFETCH(QString, firstLine);

    QTemporaryDir runtimeFolder;
    QVERIFY(runtimeFolder.isValid());
    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.setProcessEnvironment(ProgramEnvironment(runtimeFolder.path(), environment));
    program.start(QStringLiteral(REELWRIGHT_PROGRAM), arguments);
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    if (opensItsWindow) {
        QTRY_VERIFY_WITH_TIMEOUT(
            program.state() != QProcess::Running || CatchesTermination(program.processId()), 60000);
        QCOMPARE(program.state(), QProcess::Running);
        program.terminate();
    }
    QVERIFY(program.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(program.readAll());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    if (firstLine.isEmpty())
        QCOMPARE(output, QString());
    else
        QCOMPARE(output.section(u'\n', 0, 0), firstLine);
}

void TestForm1::versionTellsTheConvertersWalls_data()
{
    QTest::addColumn<bool>("withoutLandlock"); // started as on a kernel that offers none
    QTest::addColumn<QString>("walls");
    // The kernel's own answer: the ABI it offers, or none.
    const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, 1U);
    const QString none = u"none, as the kernel offers no Landlock"_s;
    QTest::newRow("this kernel") << false << (abi > 0 ? u"Landlock ABI %1, no network"_s.arg(abi) : none);
    QTest::newRow("a kernel without Landlock") << true << none;
}

void TestForm1::versionTellsTheConvertersWalls()
{
    QFETCH(bool, withoutLandlock);
    QFETCH(QString, walls);
    QProcess program;
    const QStringList command{QStringLiteral(REELWRIGHT_PROGRAM), u"--version"_s};
    if (withoutLandlock)
        program.start(QCoreApplication::applicationDirPath() + u"/without_landlock"_s, command);
    else
        program.start(command.first(), command.mid(1));
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()),
        u"Reelwright " REELWRIGHT_VERSION "\nConverter confinement: "_s + walls + u'\n');
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
