// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConversionRun.h"
#include "ConverterStaging.h"
#include "FileListWidget.h"
#include "Form1.h"
#include "QuietStart.h"
#include "ScriptedDialogs.h"
#include "TestTree.h"
#include "TextProgressBar.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestConversionRun final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void convertsIntoChosenFolder();
    void convertsBesideOriginals();
    void emptyListSaysSo();
    void missingOutputFolderStopsTheRun_data();
    void missingOutputFolderStopsTheRun();
    void difficultNamesConvert();
    void existingResultIsKeptAndReported();
    void resultThatWouldReplaceItsSourceIsRefused();
    void failedConverterIsReportedNotDone();
    void strangeConverterIsNeverRun_data();
    void strangeConverterIsNeverRun();
    void unwritableTemporaryFolderEndsTheRunAtOnce();
    void whileRunningTheWindowStaysUsableButGuarded();
    void listEmptiedDuringRunStopsAtItsEnd();
    void closingDuringRunStopsAndCleansUp();
    void closingMessage_data();
    void closingMessage();
    void destinations_data();
    void destinations();

private:
    Form1 &makeForm();
    QString clip(const QString &name);
    void useFakeConverter(const QString &body);

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<QTemporaryDir> m_work;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Form1> m_form;
};

void TestConversionRun::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    m_temp = std::make_unique<QTemporaryDir>();
    m_work = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid() && m_temp->isValid() && m_work->isValid());
    qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
    qputenv("TEMP", m_temp->path().toUtf8());
    m_dialogs = std::make_unique<ScriptedDialogs>();
}

void TestConversionRun::cleanup()
{
    m_form.reset();
    m_dialogs.reset();
}

Form1 &TestConversionRun::makeForm()
{
    m_form = std::make_unique<Form1>(*m_dialogs, QuietStart(10ms));
    return *m_form;
}

QString TestConversionRun::clip(const QString &name)
{
    const QString path = m_work->filePath(name);
    if (!MakeClip(path))
        qWarning("could not make the clip %s", qPrintable(path));
    return path;
}

void TestConversionRun::useFakeConverter(const QString &body)
{
    m_form->conversionRun().setConverterResource(WriteScript(m_work->filePath(u"fake-converter.sh"_s), body));
}

void TestConversionRun::convertsIntoChosenFolder()
{
    Form1 &form = makeForm();
    const QString out = m_work->filePath(u"out"_s);
    QVERIFY(QDir().mkpath(out));
    const QStringList sources = {clip(u"first.avi"_s), clip(u"second.avi"_s)};
    for (const QString &source : sources)
        form.listView1()->appendPath(source);
    form.text1()->setText(out + u'/');

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QCOMPARE(m_dialogs->messages.front().icon, MessageIcon::None);
    for (const QString &name : {u"first"_s, u"second"_s})
        QCOMPARE(ProbeVideo(out + u'/' + name + u".mov"_s), u"mpeg mpeg2video 720x480"_s);
    QCOMPARE(form.conversionRun().commandLines(),
        QStringList({m_temp->path() + u"/ffmpeg.exe -i \""_s + sources[0] + u"\" -target ntsc-dvd \""_s + out
                + u"/first.mov\""_s,
            m_temp->path() + u"/ffmpeg.exe -i \""_s + sources[1] + u"\" -target ntsc-dvd \""_s + out
                + u"/second.mov\""_s}));
    QVERIFY(!QFile::exists(ConverterPath()));
    QVERIFY(!form.conversionRun().isConverting());
    QCOMPARE(form.mousePointer(), int(PointerDefault));
    QCOMPARE(form.progressBar1()->value(), 0.0);
    QCOMPARE(form.progressBar1()->text(), u"Progress Bar"_s);
    QCOMPARE(form.listView1()->count(), 2);
}

void TestConversionRun::convertsBesideOriginals()
{
    Form1 &form = makeForm();
    QVERIFY(QDir().mkpath(m_work->filePath(u"a.b"_s)));
    const QString source = clip(u"a.b/holiday.avi"_s);
    form.listView1()->appendPath(source);
    form.option2()->setChecked(true);
    form.text1()->setText(u"/no/such/folder/"_s); // not looked at with this option

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QCOMPARE(ProbeVideo(m_work->filePath(u"a.b/holiday.mov"_s)), u"mpeg mpeg2video 720x480"_s);
}

void TestConversionRun::emptyListSaysSo()
{
    Form1 &form = makeForm();
    form.progressBar1()->setValue(42);
    form.pushButton2()->click();
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"No files added."_s});
    QCOMPARE(m_dialogs->messages.front().title, u"Reelwright"_s);
    QCOMPARE(form.progressBar1()->value(), 42.0);
    QCOMPARE(form.mousePointer(), int(PointerDefault));
    QVERIFY(!form.conversionRun().isConverting());
}

void TestConversionRun::missingOutputFolderStopsTheRun_data()
{
    QTest::addColumn<QString>("folderText");
    QTest::newRow("empty") << QString();
    QTest::newRow("a file") << u"file"_s;
    QTest::newRow("missing") << u"missing/"_s;
}

void TestConversionRun::missingOutputFolderStopsTheRun()
{
    QFETCH(QString, folderText);
    Form1 &form = makeForm();
    useFakeConverter(u"touch \"$5\""_s);
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"a.avi"_s), "clip"));
    const QString file = WriteTextFile(m_work->filePath(u"file"_s), "x");
    form.text1()->setText(folderText.isEmpty() ? QString() : m_work->filePath(folderText));
    form.pushButton2()->click();
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Folder does not exist. Please select another folder."_s});
    QVERIFY(form.conversionRun().commandLines().isEmpty());
    QVERIFY(!form.conversionRun().isConverting());
    QVERIFY(!QFile::exists(ConverterPath()));
}

void TestConversionRun::difficultNamesConvert()
{
    Form1 &form = makeForm();
    const QStringList names = {u"with space.avi"_s, u"with \"quotes\" and 'ticks'.avi"_s, u"$HOME `date`.avi"_s,
        u"Ünïcödé ファイル.avi"_s, u"-leading-dash.avi"_s};
    for (const QString &name : names)
        form.listView1()->appendPath(clip(name));
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    for (QString name : names)
        QCOMPARE(ProbeVideo(m_work->filePath(name.replace(u".avi"_s, u".mov"_s))), u"mpeg mpeg2video 720x480"_s);
}

void TestConversionRun::existingResultIsKeptAndReported()
{
    Form1 &form = makeForm();
    const QString kept = WriteTextFile(m_work->filePath(u"kept.mov"_s), "precious bytes");
    const QString source = clip(u"kept.avi"_s);
    form.listView1()->appendPath(source);
    form.listView1()->appendPath(clip(u"fresh.avi"_s));
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QCOMPARE(readAll(kept), QByteArray("precious bytes"));
    QCOMPARE(ProbeVideo(m_work->filePath(u"fresh.mov"_s)), u"mpeg mpeg2video 720x480"_s);
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.front().icon, MessageIcon::Warning);
    QCOMPARE(m_dialogs->messages.front().text,
        u"Done.\n\n1 of 2 files could not be converted:\n"_s + source + u" - a file of that name already exists"_s);
}

void TestConversionRun::resultThatWouldReplaceItsSourceIsRefused()
{
    Form1 &form = makeForm();
    const QString marker = m_work->filePath(u"converter-ran"_s);
    useFakeConverter(u"touch '%1'"_s.arg(marker));
    const QString source = WriteTextFile(m_work->filePath(u"already.mov"_s), "original");
    form.listView1()->appendPath(source);
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QVERIFY(!QFile::exists(marker));
    QCOMPARE(readAll(source), QByteArray("original"));
    QCOMPARE(m_dialogs->messageTexts(),
        QStringList{u"Done.\n\n1 of 1 files could not be converted:\n"_s + source
            + u" - the result would replace the original file"_s});
}

void TestConversionRun::failedConverterIsReportedNotDone()
{
    Form1 &form = makeForm();
    useFakeConverter(u"echo \"Invalid data found when processing input\" >&2\nexit 1"_s);
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"broken.avi"_s), "clip"));
    form.option2()->setChecked(true);
    form.pushButton2()->click();
    QCOMPARE(m_dialogs->messageTexts(),
        QStringList{u"Done.\n\n1 of 1 files could not be converted:\n"_s + m_work->filePath(u"broken.avi"_s)
            + u" - Invalid data found when processing input"_s});
}

void TestConversionRun::strangeConverterIsNeverRun_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("altered copy") << u"altered"_s;
    QTest::newRow("link to a program") << u"link"_s;
    QTest::newRow("writable by others") << u"group-writable"_s;
    QTest::newRow("another user's") << u"foreign"_s;
}

void TestConversionRun::strangeConverterIsNeverRun()
{
    QFETCH(QString, kind);
    Form1 &form = makeForm();
    const QString marker = m_work->filePath(u"stranger-ran"_s);
    const QString stranger = WriteScript(m_work->filePath(u"stranger.sh"_s), u"touch '%1'"_s.arg(marker));
    const QByteArray strangerBytes = readAll(stranger);
    const QString staged = ConverterPath();
    if (kind == u"link"_s) {
        QVERIFY(QFile::link(stranger, staged));
    } else {
        WriteTextFile(staged, kind == u"altered"_s ? strangerBytes : LoadConverterResource());
        QFile::setPermissions(staged,
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                | (kind == u"group-writable"_s ? QFileDevice::WriteGroup : QFileDevice::Permissions()));
        if (kind == u"foreign"_s) {
            if (::geteuid() != 0)
                QSKIP("only root can give a file to another user");
            QCOMPARE(::chown(QFile::encodeName(staged).constData(), 65534, 65534), 0);
        }
    }
    QVERIFY(!IsTrustedConverter(staged, LoadConverterResource()));
    form.listView1()->appendPath(clip(u"a.avi"_s));
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QVERIFY(!QFile::exists(marker));
    QCOMPARE(readAll(stranger), strangerBytes);
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QCOMPARE(ProbeVideo(m_work->filePath(u"a.mov"_s)), u"mpeg mpeg2video 720x480"_s);
}

void TestConversionRun::unwritableTemporaryFolderEndsTheRunAtOnce()
{
    Form1 &form = makeForm();
    qputenv("TEMP", m_work->filePath(u"no-such-folder"_s).toUtf8());
    form.listView1()->appendPath(clip(u"a.avi"_s));
    form.option2()->setChecked(true);

    form.pushButton2()->click();

    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.front().title, u"Application Error"_s);
    QVERIFY(m_dialogs->messages.front().text.contains(
        u"\r\nin Framesmith2021/08/31.Form1.PushButton2_Click at line 112"_s));
    QVERIFY(form.conversionRun().commandLines().isEmpty());
    QVERIFY(!form.conversionRun().isConverting());
    QCOMPARE(form.mousePointer(), int(PointerDefault));
    QCOMPARE(form.progressBar1()->text(), u"Progress Bar"_s);
}

void TestConversionRun::whileRunningTheWindowStaysUsableButGuarded()
{
    Form1 &form = makeForm();
    useFakeConverter(u"sleep 0.4\nprintf x > \"$5\""_s);
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"only.avi"_s), "clip"));
    form.option2()->setChecked(true);
    form.show();

    double barBeforeConverter = -1;
    QString textDuringRun;
    int pointerDuringRun = -1;
    QTimer::singleShot(150, &form, [&] {
        barBeforeConverter = form.progressBar1()->value();
        textDuringRun = form.progressBar1()->text();
        pointerDuringRun = form.mousePointer();
        form.pushButton2()->click(); // a second click changes nothing
        form.pushButton7()->click(); // the list cannot be cleared while busy
        form.listView1()->selectIndex(1);
        QTest::keyClick(form.listView1(), Qt::Key_Delete);
        m_dialogs->fileNameAnswers.enqueue(m_work->filePath(u"late.avi"_s));
        form.pushButton1()->click(); // adding still works
    });

    form.pushButton2()->click();

    QCOMPARE(barBeforeConverter, 100.0);
    QCOMPARE(textDuringRun, u"Processing: only.avi"_s);
    QCOMPARE(pointerDuringRun, int(PointerBusy));
    QCOMPARE(form.conversionRun().commandLines().size(), 1);
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QCOMPARE(form.listView1()->count(), 2);
    QVERIFY(QFile::exists(m_work->filePath(u"only.mov"_s)));
    QVERIFY(!QFile::exists(m_work->filePath(u"late.mov"_s)));
}

void TestConversionRun::listEmptiedDuringRunStopsAtItsEnd()
{
    Form1 &form = makeForm();
    useFakeConverter(u"sleep 0.3\nprintf x > \"$5\""_s);
    for (const QString &name : {u"one.avi"_s, u"two.avi"_s, u"three.avi"_s})
        form.listView1()->appendPath(WriteTextFile(m_work->filePath(name), "clip"));
    form.option2()->setChecked(true);
    QTimer::singleShot(100, &form, [&] { form.listView1()->removeAll(); });

    form.pushButton2()->click();

    QCOMPARE(form.conversionRun().commandLines().size(), 1);
    QCOMPARE(m_dialogs->messageTexts(), QStringList{u"Done."_s});
    QVERIFY(!form.conversionRun().isConverting());
}

void TestConversionRun::closingDuringRunStopsAndCleansUp()
{
    Form1 &form = makeForm();
    const QString pidFile = m_work->filePath(u"converter.pid"_s);
    useFakeConverter(u"echo $$ > '%1'\nprintf partial > \"$5\"\nexec sleep 30"_s.arg(pidFile));
    const QString kept = WriteTextFile(m_work->filePath(u"two.mov"_s), "kept");
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"one.avi"_s), "clip"));
    form.listView1()->appendPath(WriteTextFile(m_work->filePath(u"two.avi"_s), "clip"));
    form.option2()->setChecked(true);
    form.show();
    QTimer::singleShot(300, &form, [&] { form.close(); });

    form.pushButton2()->click();

    QTRY_VERIFY(!form.isVisible());
    QCOMPARE(form.conversionRun().commandLines().size(), 1);
    QVERIFY(!QFile::exists(m_work->filePath(u"one.mov"_s)));
    QCOMPARE(readAll(kept), QByteArray("kept"));
    QVERIFY(!QFile::exists(ConverterPath()));
    QVERIFY(m_dialogs->messages.isEmpty());
    const QString pid = QString::fromLatin1(readAll(pidFile).trimmed());
    QVERIFY(!pid.isEmpty());
    QTRY_VERIFY(!QFile::exists(u"/proc/"_s + pid));
}

void TestConversionRun::closingMessage_data()
{
    QTest::addColumn<int>("failed");
    QTest::addColumn<QStringList>("expectedLines");
    QTest::newRow("none") << 0 << QStringList{u"Done."_s};
    QTest::newRow("one") << 1
                         << QStringList{u"Done."_s, QString(), u"1 of 30 files could not be converted:"_s,
                                u"/v/1.avi - reason 1"_s};
    QStringList many = {u"Done."_s, QString(), u"25 of 30 files could not be converted:"_s};
    for (int i = 1; i <= 20; ++i)
        many << u"/v/%1.avi - reason %1"_s.arg(i);
    many << u"… and 5 more"_s;
    QTest::newRow("more than twenty") << 25 << many;
}

void TestConversionRun::closingMessage()
{
    QFETCH(int, failed);
    QFETCH(QStringList, expectedLines);
    QList<FailedFile> failures;
    for (int i = 1; i <= failed; ++i)
        failures << FailedFile{u"/v/%1.avi"_s.arg(i), u"reason %1"_s.arg(i)};
    QCOMPARE(ClosingMessage(30, failures).split(u'\n'), expectedLines);
}

void TestConversionRun::destinations_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("inFolder");
    QTest::addColumn<QString>("beside");
    QTest::newRow("plain") << u"/out"_s << u"/clips/holiday.avi"_s << u"/out/holiday.mov"_s << u"/clips/holiday.mov"_s;
    QTest::newRow("folder with separator")
        << u"/out/"_s << u"/clips/holiday.avi"_s << u"/out/holiday.mov"_s << u"/clips/holiday.mov"_s;
    QTest::newRow("root") << u"/"_s << u"/clips/holiday.avi"_s << u"/holiday.mov"_s << u"/clips/holiday.mov"_s;
    QTest::newRow("dot in folder only") << u"/out"_s << u"/my.clips/holiday"_s << u"/out/holiday.mov"_s
                                        << u"/my.clips/holiday.mov"_s;
    QTest::newRow("hidden name") << u"/out"_s << u"/c/.clip"_s << u"/out/.clip.mov"_s << u"/c/.clip.mov"_s;
    QTest::newRow("several dots") << u"/out"_s << u"/c/a.b.avi"_s << u"/out/a.b.mov"_s << u"/c/a.b.mov"_s;
}

void TestConversionRun::destinations()
{
    QFETCH(QString, folder);
    QFETCH(QString, source);
    QFETCH(QString, inFolder);
    QFETCH(QString, beside);
    QCOMPARE(DestinationInFolder(folder, source, u"mov"_s), inFolder);
    QCOMPARE(DestinationBesideSource(source, u"mov"_s), beside);
}

QTEST_MAIN(TestConversionRun)
#include "tst_conversion_run.moc"
