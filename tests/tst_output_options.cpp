// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConversionRun.h"
#include "FileListWidget.h"
#include "Form1.h"
#include "PathHelpers.h"
#include "QuietStart.h"
#include "RuntimeError.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"
#include "TestTree.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSection = u"Reelwright Software"_s;

// A file the maker's programs share, with the user's comments; "<desktop>"
// stands for the desktop folder.
const QByteArray kSharedFile = "; the maker's programs keep their settings here\n"
                               "[Another%20Program]\n"
                               "Path=C:\\Music\\new\n"
                               "# the path above is mine\n"
                               "\n"
                               "[Reelwright%20Software]\n"
                               "Text1=<desktop>\n"
                               "Option1=True\n"
                               "Option2=False\n"
                               "; end\n";

ino_t inodeOf(const QString &path)
{
    struct stat status { };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

} // namespace

class TestOutputOptions final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void firstStartStoresTheDefaults();
    void choicesSurviveARestart();
    void storedTruthValues_data();
    void storedTruthValues();
    void storedEmptyFolderTextStaysEmpty();
    void pickerCancelledChangesNothing();
    void pickedFolderBecomesFolderText_data();
    void pickedFolderBecomesFolderText();
    void optionsDuringARunApplyToTheNextFile();
    void difficultTextsRoundTrip_data();
    void difficultTextsRoundTrip();
    void anotherProcessesChangeIsRead();
    void unknownKeysAreKept();
    void sharedFileKeepsEveryOtherByte_data();
    void sharedFileKeepsEveryOtherByte();
    void unsavableChoicesAreToldOnce();
    void damagedSettingsFileIsNeverWritten_data();
    void damagedSettingsFileIsNeverWritten();
    void truthFromText_data();
    void truthFromText();

private:
    std::unique_ptr<Form1> startForm(ScriptedDialogs &dialogs);
    QString stored(const QString &key) const;
    QString settingsFile() const { return m_config->filePath(u"Kestrune.ini"_s); }

    std::unique_ptr<QTemporaryDir> m_config;
};

void TestOutputOptions::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
    QVERIFY(QDir(m_config->path()).mkpath(u"home/Desktop"_s));
    qputenv("HOME", m_config->filePath(u"home"_s).toUtf8());
}

std::unique_ptr<Form1> TestOutputOptions::startForm(ScriptedDialogs &dialogs)
{
    return std::make_unique<Form1>(dialogs, QuietStart());
}

QString TestOutputOptions::stored(const QString &key) const
{
    const SettingsStore store(settingsFile());
    return store.readText(key, u"<missing>"_s);
}

void TestOutputOptions::firstStartStoresTheDefaults()
{
    ScriptedDialogs dialogs;
    const auto form = startForm(dialogs);
    QCOMPARE(SettingsStore::DefaultFilePath(), settingsFile());
    QVERIFY(DesktopFolder().endsWith(u"/Desktop/"_s));
    QCOMPARE(form->text1()->text(), DesktopFolder());
    QCOMPARE(stored(u"Text1"_s), DesktopFolder());
    QVERIFY(form->option1()->isChecked());
    QVERIFY(!form->option2()->isChecked());
    QVERIFY(form->frame3()->isEnabled());
    QCOMPARE(stored(u"Option1"_s), u"True"_s);
    QCOMPARE(stored(u"Option2"_s), u"False"_s);
    QCOMPARE(stored(u"LastFolderDot"_s), u"<missing>"_s);
    QVERIFY(dialogs.messages.isEmpty());
}

void TestOutputOptions::choicesSurviveARestart()
{
    QTemporaryDir picked;
    {
        ScriptedDialogs dialogs;
        const auto form = startForm(dialogs);
        form->show();
        QTest::mouseClick(form->option2(), Qt::LeftButton);
        QVERIFY(!form->frame3()->isEnabled());
        QVERIFY(!form->text1()->isEnabled());
        QVERIFY(!form->pushButton4()->isEnabled());
        QCOMPARE(stored(u"Option1"_s), u"False"_s);
        QCOMPARE(stored(u"Option2"_s), u"True"_s);

        QTest::mouseClick(form->option1(), Qt::LeftButton);
        QVERIFY(form->frame3()->isEnabled());
        dialogs.folderAnswers.enqueue(picked.path());
        form->pushButton4()->click();
        QCOMPARE(form->text1()->text(), picked.path() + u'/');
        QCOMPARE(stored(u"LastFolderDot"_s), picked.path());

        form->text1()->clear();
        QTest::keyClick(form->text1(), Qt::Key_Slash);
        QCOMPARE(stored(u"Text1"_s), u"/"_s); // every keystroke is stored at once
        QTest::keyClicks(form->text1(), u"srv/vid"_s);
        form->text1()->insert(u"éos"_s); // pasted
        QTest::keyClicks(form->text1(), u", \"new\""_s);
        QTest::mouseClick(form->option2(), Qt::LeftButton);
    }
    ScriptedDialogs dialogs;
    const auto form = startForm(dialogs);
    QCOMPARE(form->text1()->text(), u"/srv/vidéos, \"new\""_s);
    QVERIFY(form->option2()->isChecked());
    QVERIFY(!form->option1()->isChecked());
    QVERIFY(!form->frame3()->isEnabled());
    dialogs.folderAnswers.enqueue(QString());
    form->PushButton4_Click();
    QCOMPARE(dialogs.folderRequests.back().startFolder, picked.path());
    QVERIFY(dialogs.messages.isEmpty());
}

void TestOutputOptions::storedTruthValues_data()
{
    QTest::addColumn<QString>("option1");
    QTest::addColumn<QString>("option2");
    QTest::addColumn<bool>("option1Selected");
    QTest::addColumn<bool>("option2Selected");
    QTest::addColumn<int>("failedLine");
    QTest::newRow("True") << u"True"_s << u"False"_s << true << false << 0;
    QTest::newRow("true in lower case") << u"true"_s << u"false"_s << true << false << 0;
    QTest::newRow("TRUE") << u"TRUE"_s << u"FALSE"_s << true << false << 0;
    QTest::newRow("-1") << u"-1"_s << u"0"_s << true << false << 0;
    QTest::newRow("second option") << u"False"_s << u"True"_s << false << true << 0;
    QTest::newRow("both false") << u"False"_s << u"0"_s << false << false << 0;
    QTest::newRow("yes") << u"yes"_s << u"False"_s << true << false << 138;
    QTest::newRow("second yes") << u"False"_s << u"yes"_s << false << false << 140;
}

void TestOutputOptions::storedTruthValues()
{
    QFETCH(QString, option1);
    QFETCH(QString, option2);
    QFETCH(bool, option1Selected);
    QFETCH(bool, option2Selected);
    QFETCH(int, failedLine);
    {
        SettingsStore store(settingsFile());
        store.writeText(u"Option1"_s, option1);
        store.writeText(u"Option2"_s, option2);
    }
    ScriptedDialogs dialogs;
    const auto form = startForm(dialogs);
    QCOMPARE(form->option1()->isChecked(), option1Selected);
    QCOMPARE(form->option2()->isChecked(), option2Selected);
    QCOMPARE(form->frame3()->isEnabled(), option1Selected);
    if (failedLine == 0) {
        QVERIFY(dialogs.messages.isEmpty());
    } else {
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.front().text.startsWith(
            u"Type mismatch\r\nin Framesmith2021/08/31.Form1.Form_Load at line %1"_s.arg(failedLine)));
    }
    if (!option1Selected && !option2Selected) {
        // Neither was clicked: what is stored stays as it was.
        QCOMPARE(stored(u"Option1"_s), option1);
        QCOMPARE(stored(u"Option2"_s), option2);
        QTest::mouseClick(form->option2(), Qt::LeftButton);
        QVERIFY(form->option2()->isChecked());
        QTest::mouseClick(form->option1(), Qt::LeftButton);
        QVERIFY(form->option1()->isChecked());
        QVERIFY(!form->option2()->isChecked());
    }
}

void TestOutputOptions::storedEmptyFolderTextStaysEmpty()
{
    {
        SettingsStore store(settingsFile());
        store.writeText(u"Text1"_s, QString());
    }
    ScriptedDialogs dialogs;
    const auto form = startForm(dialogs);
    QCOMPARE(form->text1()->text(), QString());
    QCOMPARE(stored(u"Text1"_s), QString());
}

void TestOutputOptions::pickerCancelledChangesNothing()
{
    ScriptedDialogs dialogs;
    const auto form = startForm(dialogs);
    form->text1()->setText(u"/typed/by/hand"_s);
    form->pushButton4()->click();
    QCOMPARE(dialogs.folderRequests.size(), 1);
    QCOMPARE(dialogs.folderRequests.front().title, u"Please select folder:"_s);
    QCOMPARE(dialogs.folderRequests.front().startFolder, QString());
    QCOMPARE(dialogs.folderRequests.front().owner, form.get());
    QCOMPARE(form->text1()->text(), u"/typed/by/hand"_s);
    QCOMPARE(stored(u"Text1"_s), u"/typed/by/hand"_s);
    QCOMPARE(stored(u"LastFolderDot"_s), u"<missing>"_s);
}

void TestOutputOptions::pickedFolderBecomesFolderText_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<QString>("remembered");
    QTest::newRow("root") << u"/"_s << u"/"_s << u"/"_s;
    QTest::newRow("folder") << u"<temp>/out"_s << u"<temp>/out/"_s << u"<temp>/out"_s;
    QTest::newRow("folder with separator") << u"<temp>/out/"_s << u"<temp>/out/"_s << u"<temp>/out"_s;
    QTest::newRow("gone meanwhile") << u"<temp>/gone"_s << u"<unchanged>"_s << u"<missing>"_s;
}

void TestOutputOptions::pickedFolderBecomesFolderText()
{
    QFETCH(QString, answer);
    QFETCH(QString, folderText);
    QFETCH(QString, remembered);
    QTemporaryDir temp;
    QVERIFY(QDir().mkpath(temp.filePath(u"out"_s)));
    const auto resolve = [&](QString text) { return text.replace(u"<temp>"_s, temp.path()); };
    ScriptedDialogs dialogs;
    const auto form = startForm(dialogs);
    const QString before = form->text1()->text();
    dialogs.folderAnswers.enqueue(resolve(answer));
    form->pushButton4()->click();
    const QString expected = folderText == u"<unchanged>"_s ? before : resolve(folderText);
    QCOMPARE(form->text1()->text(), expected);
    QCOMPARE(stored(u"Text1"_s), expected);
    QCOMPARE(stored(u"LastFolderDot"_s), resolve(remembered));
}

void TestOutputOptions::optionsDuringARunApplyToTheNextFile()
{
    QTemporaryDir work;
    ScriptedDialogs dialogs;
    qputenv("TEMP", work.path().toUtf8());
    const auto form = std::make_unique<Form1>(dialogs, QuietStart(std::chrono::milliseconds(10)));
    form->conversionRun().setConverterResource(
        WriteFakeConverter(work.filePath(u"fake.sh"_s), u"sleep 0.3\nprintf x >&$result"_s));
    QVERIFY(QDir().mkpath(work.filePath(u"out"_s)));
    QVERIFY(QDir().mkpath(work.filePath(u"in"_s)));
    form->listView1()->appendPath(WriteTextFile(work.filePath(u"in/one.avi"_s), "clip"));
    form->listView1()->appendPath(WriteTextFile(work.filePath(u"in/two.avi"_s), "clip"));
    form->text1()->setText(work.filePath(u"out"_s));
    form->show();
    QTimer::singleShot(100, form.get(), [&] { QTest::mouseClick(form->option2(), Qt::LeftButton); });

    form->pushButton2()->click();

    QVERIFY(QFile::exists(work.filePath(u"out/one.mov"_s)));
    QVERIFY(QFile::exists(work.filePath(u"in/two.mov"_s)));
    QCOMPARE(dialogs.messageTexts(), QStringList{u"Done."_s});
}

void TestOutputOptions::difficultTextsRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("comma") << u"/a,b/c, d/"_s;
    QTest::newRow("quotes") << u"/\"quoted\"/'single'/"_s;
    QTest::newRow("equals, semicolon, hash") << u"/a=b;c#d/"_s;
    QTest::newRow("leading and trailing blanks") << u"  /spaced/  "_s;
    QTest::newRow("non-ASCII") << u"/vidéos/ファイル/Ünïcödé/🎞/"_s;
    QTest::newRow("backslashes") << u"\\\\server\\share\\x\\"_s;
    QTest::newRow("Windows path") << u"C:\\Music\\new"_s;
    QTest::newRow("control characters") << u"/a\tb\u0001f/"_s;
    QTest::newRow("at sign first") << u"@Variant(x)"_s;
    QTest::newRow("brackets") << u"[Reelwright Software]"_s;
    QTest::newRow("percent") << u"/100% done/%20/"_s;
}

void TestOutputOptions::difficultTextsRoundTrip()
{
    QFETCH(QString, text);
    {
        SettingsStore store(settingsFile());
        QVERIFY(store.writeText(u"Text1"_s, text));
    }
    QCOMPARE(stored(u"Text1"_s), text);
    // The maker's other programs read the file with QSettings, and files
    // QSettings wrote stay readable.
    QCOMPARE(QSettings(settingsFile(), QSettings::IniFormat).value(kSection + u"/Text1"_s).toString(), text);
    const QString written = m_config->filePath(u"written.ini"_s);
    QSettings(written, QSettings::IniFormat).setValue(kSection + u"/Text1"_s, text);
    QCOMPARE(SettingsStore(written).readText(u"Text1"_s, QString()), text);
    ScriptedDialogs dialogs;
    const auto form = startForm(dialogs);
    QCOMPARE(form->text1()->text(), text);
}

void TestOutputOptions::anotherProcessesChangeIsRead()
{
    SettingsStore store(settingsFile());
    store.writeText(u"Text1"_s, u"/first/"_s);
    QCOMPARE(store.readText(u"Text1"_s, QString()), u"/first/"_s);
    QTest::qWait(20);
    // Another copy of the program writes a value of the same length.
    QProcess other;
    other.start(u"/bin/sh"_s, {u"-c"_s, u"sed -i 's|/first/|/other/|' \"$1\""_s, u"sh"_s, settingsFile()});
    QVERIFY(other.waitForFinished());
    QCOMPARE(store.readText(u"Text1"_s, QString()), u"/other/"_s);
}

void TestOutputOptions::unknownKeysAreKept()
{
    WriteTextFile(settingsFile(),
        "[General]\nkept=1\n\n[Reelwright%20Software]\nFutureKey=future value\nOption1=False\n"
        "Option2=True\n\n[Another%20Program]\nits=own\n");
    {
        ScriptedDialogs dialogs;
        const auto form = startForm(dialogs);
        QVERIFY(form->option2()->isChecked());
        QTest::mouseClick(form->option1(), Qt::LeftButton);
    }
    QSettings file(settingsFile(), QSettings::IniFormat);
    QCOMPARE(file.value(u"kept"_s).toString(), u"1"_s);
    QCOMPARE(file.value(kSection + u"/FutureKey"_s).toString(), u"future value"_s);
    QCOMPARE(file.value(u"Another Program/its"_s).toString(), u"own"_s);
    QCOMPARE(file.value(kSection + u"/Option1"_s).toString(), u"True"_s);
}

void TestOutputOptions::sharedFileKeepsEveryOtherByte_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<bool>("clickOption2");
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<QByteArray>("after");
    const QByteArray changed
        = QByteArray(kSharedFile).replace("Option1=True", "Option1=False").replace("Option2=False", "Option2=True");
    QTest::newRow("start with every key stored") << kSharedFile << false << false << kSharedFile;
    QTest::newRow("a click") << kSharedFile << true << false << changed;
    QTest::newRow("a click through a link") << kSharedFile << true << true << changed;
    QTest::newRow("missing keys") << QByteArray("# my notes\n[Reelwright%20Software]\nText1=/a/\n\n[Other]\nk=v\n")
                                  << false << false
                                  << QByteArray("# my notes\n[Reelwright%20Software]\nText1=/a/\nOption1=True\n"
                                                "Option2=False\n\n[Other]\nk=v\n");
    QTest::newRow("another program's text in Latin-1")
        << QByteArray("; R\xe9glages\n[Other]\nName=Caf\xe9\n\n[Reelwright%20Software]\nText1=/a/\n") << false << false
        << QByteArray("; R\xe9glages\n[Other]\nName=Caf\xe9\n\n[Reelwright%20Software]\nText1=/a/\nOption1=True\n"
                      "Option2=False\n");
    QTest::newRow("missing section, CRLF")
        << QByteArray("; notes\r\n[Other]\r\nPath=C:\\Music\\new\r\n") << false << false
        << QByteArray("; notes\r\n[Other]\r\nPath=C:\\Music\\new\r\n\r\n[Reelwright%20Software]\r\n"
                      "Text1=<desktop>\r\nOption1=True\r\nOption2=False\r\n");
}

void TestOutputOptions::sharedFileKeepsEveryOtherByte()
{
    QFETCH(QByteArray, before);
    QFETCH(bool, clickOption2);
    QFETCH(bool, throughLink);
    QFETCH(QByteArray, after);
    const QByteArray desktop = DesktopFolder().toUtf8();
    const QString target = throughLink ? m_config->filePath(u"shared.ini"_s) : settingsFile();
    WriteTextFile(target, before.replace("<desktop>", desktop));
    if (throughLink)
        QVERIFY(QFile::link(u"shared.ini"_s, settingsFile()));
    const ino_t inode = inodeOf(target);
    {
        ScriptedDialogs dialogs;
        const auto form = startForm(dialogs);
        if (clickOption2)
            QTest::mouseClick(form->option2(), Qt::LeftButton);
        QVERIFY(dialogs.messages.isEmpty());
    }
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), after.replace("<desktop>", desktop));
    // A file that holds every value already is not even replaced.
    if (after == before)
        QCOMPARE(inodeOf(target), inode);
    QCOMPARE(QFileInfo(settingsFile()).isSymLink(), throughLink);
}

void TestOutputOptions::unsavableChoicesAreToldOnce()
{
    // A configuration folder that cannot exist: its parent is a file.
    const QString blocker = WriteTextFile(m_config->filePath(u"not-a-folder"_s), "x");
    qputenv("XDG_CONFIG_HOME", (blocker + u"/config"_s).toUtf8());
    ScriptedDialogs dialogs;
    const auto form = startForm(dialogs);
    QCOMPARE(form->text1()->text(), DesktopFolder());
    QVERIFY(form->option1()->isChecked());
    QTest::keyClicks(form->text1(), u"abc"_s);
    QTest::mouseClick(form->option2(), Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.front().icon, MessageIcon::Warning);
    QVERIFY(dialogs.messages.front().text.startsWith(u"Your choices could not be saved in "_s));
}

void TestOutputOptions::damagedSettingsFileIsNeverWritten_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("kind");
    const QString file = u"file"_s;
    QByteArray noise(4096, Qt::Uninitialized);
    QRandomGenerator generator(20261207);
    for (char &byte : noise)
        byte = char(generator.bounded(256));
    QTest::newRow("random bytes") << noise << file;
    QTest::newRow("NUL bytes") << QByteArray("[Reelwright%20Software]\nText1=/a/\0\0\0\n", 29) << file;
    QTest::newRow("not UTF-8") << QByteArray("[Reelwright%20Software]\nText1=/caf\xe9/\n") << file;
    QTest::newRow("prose") << QByteArray("Dear diary,\ntoday I converted a video.\n") << file;
    QTest::newRow("quote left open") << QByteArray("[Other]\nPath=\"C:\\Music\n[Reelwright%20Software]\nText1=/a/\n")
                                     << file;
    QTest::newRow("larger than 1 MiB") << "[Reelwright%20Software]\nText1=/a/\n;" + QByteArray(1024 * 1024, 'x') + '\n'
                                       << file;
    QTest::newRow("FIFO") << QByteArray() << u"fifo"_s;
    if (::geteuid() == 0)
        QTest::newRow("another user's file")
            << QByteArray("[Reelwright%20Software]\nText1=/a/\n") << u"another user's"_s;
}

void TestOutputOptions::damagedSettingsFileIsNeverWritten()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, kind);
    const QByteArray path = QFile::encodeName(settingsFile());
    if (kind == u"fifo"_s)
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    else
        WriteTextFile(settingsFile(), contents);
    if (kind == u"another user's"_s)
        QCOMPARE(::chown(path.constData(), 65534, 65534), 0);
    ScriptedDialogs dialogs;
    const auto form = startForm(dialogs);
    // The defaults apply, and the user hears once that nothing is kept.
    QCOMPARE(form->text1()->text(), DesktopFolder());
    QVERIFY(form->option1()->isChecked());
    QTest::keyClicks(form->text1(), u"x"_s);
    QTest::mouseClick(form->option2(), Qt::LeftButton);
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.messages.front().text.startsWith(u"Your choices could not be saved in "_s));
    if (kind == u"fifo"_s) {
        struct stat status { };
        QCOMPARE(::lstat(path.constData(), &status), 0);
        QVERIFY(S_ISFIFO(status.st_mode));
        return;
    }
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), contents);
}

void TestOutputOptions::truthFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // 1 true, 0 false, -1 a failure
    QTest::newRow("True") << u"True"_s << 1;
    QTest::newRow("fAlSe") << u"fAlSe"_s << 0;
    QTest::newRow("-1") << u"-1"_s << 1;
    QTest::newRow("0") << u"0"_s << 0;
    QTest::newRow("0.0") << u"0.0"_s << 0;
    QTest::newRow("2.5") << u"2.5"_s << 1;
    QTest::newRow("yes") << u"yes"_s << -1;
    QTest::newRow("empty") << QString() << -1;
}

void TestOutputOptions::truthFromText()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    try {
        QCOMPARE(int(TruthFromText(text)), expected);
    } catch (const RuntimeError &error) {
        QCOMPARE(expected, -1);
        QCOMPARE(error.number(), int(RuntimeError::TypeMismatch));
    }
}

QTEST_MAIN(TestOutputOptions)
#include "tst_output_options.moc"
