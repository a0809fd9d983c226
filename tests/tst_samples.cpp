// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplicationTitle.h"
#include "FileListWidget.h"
#include "ListItems.h"
#include "Form1.h"
#include "QuietStart.h"
#include "SampleFiles.h"
#include "ScriptedDialogs.h"
#include "TestTree.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

class TestSamples final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void addsEverySampleAndAsks();
    void secondClickAddsNothingAndAsksAgain();
    void itemInOtherLetterCaseDoesNotStopASample();
    void missingSampleFolderStillAsks();
    void answerDecidesWhetherTheFolderOpens_data();
    void answerDecidesWhetherTheFolderOpens();
    void unreadableSampleFolderIsReported();
    void builtSamplesAreShortDistinctClips();

private:
    void start(const QString &programFolder);
    QString sample(const QString &name) const { return m_program.path() + u"/Samples/"_s + name; }

    QTemporaryDir m_config;
    QTemporaryDir m_program;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<Form1> m_form;
};

void TestSamples::init()
{
    QVERIFY(m_config.isValid());
    QVERIFY(m_program.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    QDir(m_program.path()).removeRecursively();
    QVERIFY(QDir().mkpath(m_program.path() + u"/Samples/folder.avi"_s));
    for (const QString &name : {u"Mandelbrot.avi"_s, u"Colour Bars.avi"_s, u".hidden.avi"_s, u"notes.txt"_s})
        WriteTextFile(sample(name), "x");
    QCOMPARE(::mkfifo(QFile::encodeName(sample(u"pipe.avi"_s)).constData(), 0644), 0);
    start(m_program.path());
}

void TestSamples::cleanup()
{
    m_form.reset();
    m_dialogs.reset();
}

void TestSamples::start(const QString &programFolder)
{
    m_form.reset();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    Form1Setup setup = QuietStart();
    setup.programFolder = programFolder;
    m_form = std::make_unique<Form1>(*m_dialogs, setup);
}

void TestSamples::addsEverySampleAndAsks()
{
    m_form->listView1()->appendPath(u"/earlier.avi"_s);
    m_form->pushButton8()->click();
    QCOMPARE(itemsOf(*m_form->listView1()),
        QStringList({u"/earlier.avi"_s, sample(u".hidden.avi"_s), sample(u"Colour Bars.avi"_s),
            sample(u"Mandelbrot.avi"_s), sample(u"notes.txt"_s)}));
    QCOMPARE(m_dialogs->messages.size(), 1);
    const MessageRequest &question = m_dialogs->messages.front();
    QCOMPARE(question.text,
        u"Would you like this software to open the folder where these sample files are stored (so that you can "
        "view them before working with them)?"_s);
    QCOMPARE(question.title, ApplicationTitle());
    QCOMPARE(question.icon, MessageIcon::None);
    QCOMPARE(question.buttons, MessageButtons::YesNo);
}

void TestSamples::secondClickAddsNothingAndAsksAgain()
{
    m_form->pushButton8()->click();
    const QStringList first = itemsOf(*m_form->listView1());
    m_form->pushButton8()->click();
    QCOMPARE(itemsOf(*m_form->listView1()), first);
    QCOMPARE(m_dialogs->messages.size(), 2);
    m_form->listView1()->removeAt(2);
    m_form->pushButton8()->click();
    QCOMPARE(m_form->listView1()->count(), first.size());
}

void TestSamples::itemInOtherLetterCaseDoesNotStopASample()
{
    m_form->listView1()->appendPath(sample(u"MANDELBROT.AVI"_s));
    m_form->pushButton8()->click();
    QVERIFY(itemsOf(*m_form->listView1()).contains(sample(u"Mandelbrot.avi"_s)));
}

void TestSamples::missingSampleFolderStillAsks()
{
    start(m_program.path() + u"/nowhere"_s);
    m_form->pushButton8()->click();
    QCOMPARE(m_form->listView1()->count(), 0);
    QCOMPARE(m_dialogs->messages.size(), 1);
    QCOMPARE(m_dialogs->messages.front().buttons, MessageButtons::YesNo);
}

void TestSamples::answerDecidesWhetherTheFolderOpens_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<bool>("desktopOpensIt");
    QTest::addColumn<QList<QUrl>>("opened");
    QTest::addColumn<QString>("reported"); // the message after the question; empty for none
    QTest::newRow("Yes") << MessageAnswer::Yes << true << QList<QUrl>{QUrl::fromLocalFile(sample(QString()))}
                         << QString();
    QTest::newRow("No") << MessageAnswer::No << true << QList<QUrl>() << QString();
    QTest::newRow("Yes, the desktop cannot open it")
        << MessageAnswer::Yes << false << QList<QUrl>{QUrl::fromLocalFile(sample(QString()))}
        << u"The folder %1/Samples could not be opened. Please open it in your file manager."_s.arg(m_program.path());
}

void TestSamples::answerDecidesWhetherTheFolderOpens()
{
    QFETCH(MessageAnswer, answer);
    QFETCH(bool, desktopOpensIt);
    QFETCH(QList<QUrl>, opened);
    QFETCH(QString, reported);
    m_dialogs->messageAnswers << answer;
    m_dialogs->openUrlAnswers << desktopOpensIt;
    m_form->pushButton8()->click();
    QCOMPARE(m_dialogs->openedUrls, opened);
    QCOMPARE(m_dialogs->messages.size(), reported.isEmpty() ? 1 : 2);
    if (!reported.isEmpty()) {
        QCOMPARE(m_dialogs->messages.back().text, reported);
        QCOMPARE(m_dialogs->messages.back().icon, MessageIcon::Warning);
    }
}

void TestSamples::unreadableSampleFolderIsReported()
{
    // A folder that leads to itself cannot be listed.
    QVERIFY(QDir(m_program.path() + u"/Samples"_s).removeRecursively());
    QVERIFY(QFile::link(m_program.path() + u"/Samples"_s, m_program.path() + u"/Samples"_s));
    m_form->pushButton8()->click();
    QCOMPARE(m_dialogs->messages.size(), 1);
    const MessageRequest &report = m_dialogs->messages.front();
    QCOMPARE(report.title, u"Application Error"_s);
    QVERIFY2(report.text.contains(u"\r\nin Framesmith2021/08/31.Form1.PushButton8_Click at line 100"_s),
        qPrintable(report.text));
    QCOMPARE(m_form->listView1()->count(), 0);
}

void TestSamples::builtSamplesAreShortDistinctClips()
{
    const QDir built(QStringLiteral(REELWRIGHT_SAMPLES_DIR));
    const QStringList clips = built.entryList({u"*.avi"_s}, QDir::Files);
    QVERIFY2(clips.size() >= 3 && clips.size() <= 4, qPrintable(clips.join(u", ")));
    QSet<QByteArray> contents;
    for (const QString &clip : clips) {
        const QString path = built.filePath(clip);
        QVERIFY2(ProbeVideo(path).startsWith(u"avi "_s), qPrintable(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.size() < 2 * 1024 * 1024);
        contents << QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    QCOMPARE(contents.size(), clips.size());

    start(QFileInfo(built.path()).path());
    m_form->pushButton8()->click();
    QCOMPARE(m_form->listView1()->count(), clips.size());
}

QTEST_MAIN(TestSamples)
#include "tst_samples.moc"
