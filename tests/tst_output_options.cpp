// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ConversionRun.h"
#include "FileListWidget.h"
#include "Form1.h"
#include "IniDocument.h"
#include "PathHelpers.h"
#include "QuietStart.h"
#include "RuntimeError.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"
#include "TestTree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>
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

// The text the program takes a QSettings value for: a string, or a list of
// them joined with ','.
std::optional<QString> textOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    if (value.typeId() != QMetaType::QStringList && value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList items;
    for (const QVariant &item : value.toList()) {
        if (item.typeId() != QMetaType::QString)
            return std::nullopt;
        items.append(item.toString());
    }
    return items.join(u',');
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
    void settingsAreReadAsQSettingsReadsThem_data();
    void settingsAreReadAsQSettingsReadsThem();
    void writtenSettingsAreReadBackByQSettings_data();
    void writtenSettingsAreReadBackByQSettings();
    void anotherProcessesChangeIsRead();
    void unknownKeysAreKept();
    void sharedFileKeepsEveryOtherByte_data();
    void sharedFileKeepsEveryOtherByte();
    void writesTakeTheFilesLock_data();
    void writesTakeTheFilesLock();
    void unsavableChoicesAreToldOnce();
    void damagedSettingsFileIsNeverWritten_data();
    void damagedSettingsFileIsNeverWritten();
    void truthFromText_data();
    void truthFromText();

private:
    std::unique_ptr<Form1> startForm(ScriptedDialogs &dialogs);
    QString stored(const QString &key) const;
    QString settingsFile() const { return m_config->filePath(u"Kestrune.ini"_s); }
    std::optional<QString> readByQSettings(const QByteArray &bytes, const QString &key);

    std::unique_ptr<QTemporaryDir> m_config;
    int m_qsettingsFiles = 0;
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

// QSettings reads a file it has read before again only when its size or
// time changed: each text goes to a new file.
std::optional<QString> TestOutputOptions::readByQSettings(const QByteArray &bytes, const QString &key)
{
    const QString path = WriteTextFile(m_config->filePath(u"qsettings-%1.ini"_s.arg(++m_qsettingsFiles)), bytes);
    return textOf(QSettings(path, QSettings::IniFormat).value(key));
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
    QTest::addColumn<bool>("qsettingsKeepsIt"); // when QSettings writes it, it reads it back
    QTest::newRow("comma") << u"/a,b/c, d/"_s << true;
    QTest::newRow("quotes") << u"/\"quoted\"/'single'/"_s << true;
    QTest::newRow("equals, semicolon, hash") << u"/a=b;c#d/"_s << true;
    QTest::newRow("semicolon") << u"/a;b/"_s << true;
    QTest::newRow("leading and trailing blanks") << u"  /spaced/  "_s << true;
    QTest::newRow("non-ASCII") << u"/vidéos/ファイル/Ünïcödé/🎞/"_s << true;
    QTest::newRow("backslashes") << u"\\\\server\\share\\x\\"_s << true;
    QTest::newRow("Windows path") << u"C:\\Music\\new"_s << true;
    QTest::newRow("control characters") << u"/a\tb\u0001f/"_s << true;
    QTest::newRow("at sign first") << u"@Variant(x)"_s << true;
    QTest::newRow("brackets") << u"[Reelwright Software]"_s << true;
    QTest::newRow("percent") << u"/100% done/%20/"_s << true;
    QTest::newRow("byte order mark first") << u"\uFEFF/a/\uFEFF"_s << false;
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + u"a/"_s + QChar(0xDC00) << false;
}

void TestOutputOptions::difficultTextsRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(bool, qsettingsKeepsIt);
    {
        SettingsStore store(settingsFile());
        QVERIFY(store.writeText(u"Text1"_s, text));
    }
    QCOMPARE(stored(u"Text1"_s), text);
    // The maker's other programs read the file with QSettings, and files
    // QSettings wrote stay readable.
    QCOMPARE(QSettings(settingsFile(), QSettings::IniFormat).value(kSection + u"/Text1"_s).toString(), text);
    if (qsettingsKeepsIt) {
        const QString written = m_config->filePath(u"written.ini"_s);
        QSettings(written, QSettings::IniFormat).setValue(kSection + u"/Text1"_s, text);
        QCOMPARE(SettingsStore(written).readText(u"Text1"_s, QString()), text);
    }
    ScriptedDialogs dialogs;
    const auto form = startForm(dialogs);
    QCOMPARE(form->text1()->text(), text);
}

void TestOutputOptions::settingsAreReadAsQSettingsReadsThem_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QString missing = u"<missing>"_s;
    QTest::newRow("byte order mark first")
        << QByteArray("[Reelwright%20Software]\nText1=\xef\xbb\xbf/a/\n") << kSection << u"Text1"_s << u"/a/"_s;
    QTest::newRow("byte order mark inside") << QByteArray("[Reelwright%20Software]\nText1=/a/\"\xef\xbb\xbf\"\n")
                                            << kSection << u"Text1"_s << u"/a/\uFEFF"_s;
    QTest::newRow("'#' line with a quote")
        << QByteArray("[Reelwright%20Software]\n# it's \"quoted\nText1=/a/\n\"\nText1=/b/\n") << kSection << u"Text1"_s
        << u"/b/"_s;
    QTest::newRow("'#' line with '='") << QByteArray("[Reelwright%20Software]\n#Text1=/a/\n") << kSection << u"#Text1"_s
                                       << u"/a/"_s;
    QTest::newRow("[] names no general section") << QByteArray("[]\nk=1\n") << QString() << u"k"_s << missing;
    QTest::newRow("general section spelled otherwise")
        << QByteArray("[ gEnErAl ]\nk=1\n[%GENERAL]\nk=2\n") << QString() << u"k"_s << u"1"_s;
    QTest::newRow("%General names a section")
        << QByteArray("[ gEnErAl ]\nk=1\n[%GENERAL]\nk=2\n") << u"GENERAL"_s << u"k"_s << u"2"_s;
    QTest::newRow("invalid typed value") << QByteArray("[Reelwright%20Software]\nText1=@Invalid()\n") << kSection
                                         << u"Text1"_s << missing;
    QTest::newRow("key ending in a slash")
        << QByteArray("[Reelwright%20Software]\nText1%2F=/a/\nText1=/b/\n") << kSection << u"Text1/"_s << u"/b/"_s;
}

// The maker's other programs read the file with QSettings; this program
// reads the same from it.
void TestOutputOptions::settingsAreReadAsQSettingsReadsThem()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const IniDocument document(bytes);
    QVERIFY(document.isValidSection(section));
    const QString fullKey = section.isEmpty() ? key : section + u'/' + key;
    QCOMPARE(readByQSettings(bytes, fullKey).value_or(u"<missing>"_s), expected);
    QCOMPARE(document.text(section, key).value_or(u"<missing>"_s), expected);
}

void TestOutputOptions::writtenSettingsAreReadBackByQSettings_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("after"); // the file unchanged when the write is refused
    const QByteArray own = "[Reelwright%20Software]\nText1=/a/\n";
    QTest::newRow("key ending in a slash") << own << kSection << u"Folder/"_s << u"/b/"_s << own + "Folder=/b/\n";
    QTest::newRow("key of slashes") << own << kSection << u"//"_s << u"/b/"_s << own;
    QTest::newRow("the text stored under another spelling")
        << QByteArray("[Reelwright Software]\nText1=/old/\nText%31=/new/\n") << kSection << u"Text1"_s << u"/old/"_s
        << QByteArray("[Reelwright Software]\nText1=/old/\nText%31=/old/\n");
    QTest::newRow("section named general in lower case")
        << QByteArray() << u"general"_s << u"k"_s << u"v"_s << QByteArray("[%general]\nk=v\n");
    QTest::newRow("a section under the section")
        << own + "[Reelwright%20Software\\Sub]\nk=1\n"
        << kSection << u"Text1"_s << u"/b/"_s << own + "[Reelwright%20Software\\Sub]\nk=1\n";
    QTest::newRow("backslash at the end, section last")
        << QByteArray("[Other]\nk=v\n\n[Reelwright%20Software]\nText1=/a/\\") << kSection << u"LastFolder"_s << u"/b/"_s
        << QByteArray("[Other]\nk=v\n\n[Reelwright%20Software]\nText1=/a/\\\n\nLastFolder=/b/");
}

// What the program writes, QSettings reads back, and every other key as it
// read it before; what cannot be written so is not written at all.
void TestOutputOptions::writtenSettingsAreReadBackByQSettings()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(QByteArray, after);
    IniDocument document(before);
    QCOMPARE(document.setText(section, key, text), after != before);
    QCOMPARE(document.bytes(), after);
    if (after == before) {
        QVERIFY(!document.refusal().isEmpty());
        return;
    }
    QCOMPARE(readByQSettings(after, section.isEmpty() ? key : section + u'/' + key), text);
    QCOMPARE(IniDocument(after).text(section, key), text);
    QCOMPARE(readByQSettings(after, u"Other/k"_s), readByQSettings(before, u"Other/k"_s));
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
    QTest::newRow("backslash at the very end, the program's section last")
        << QByteArray("[Other]\nk=v\n\n[Reelwright%20Software]\nOption1=True\nOption2=False\\") << false << false
        << QByteArray("[Other]\nk=v\n\n[Reelwright%20Software]\nOption1=True\nOption2=False\\\n\nText1=<desktop>");
    QTest::newRow("backslash and a lone CR at the end of another section")
        << QByteArray("[Other]\nk=v\\\r") << false << false
        << QByteArray("[Other]\nk=v\\\r\n\n[Reelwright%20Software]\nText1=<desktop>\nOption1=True\nOption2=False\n");
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

void TestOutputOptions::writesTakeTheFilesLock_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("saved");
    QTest::newRow("a QSettings writer adds keys meanwhile") << u"writer"_s << true;
    QTest::newRow("a lock left by a program that ended") << u"stale lock"_s << true;
    QTest::newRow("the lock held by a running program") << u"held lock"_s << false;
    QTest::newRow("a FIFO at the lock file") << u"fifo"_s << false;
    QTest::newRow("a link at the lock file") << u"link"_s << false;
    if (::geteuid() == 0)
        QTest::newRow("another user's lock file") << u"another user's"_s << false;
    QTest::newRow("a write past the size the file is read at") << u"too large"_s << false;
}

// A write holds the lock that QSettings holds around its own, so that
// neither loses the other's keys; it waits a second at most, and nothing at
// the lock file but a file of the user's own is ever opened.
void TestOutputOptions::writesTakeTheFilesLock()
{
    QFETCH(QString, situation);
    QFETCH(bool, saved);
    const QString lockPath = settingsFile() + u".lock"_s;
    const QByteArray lock = QFile::encodeName(lockPath);
    SettingsStore store(settingsFile());
    QVERIFY(store.writeText(u"Text1"_s, u"/first/"_s));

    if (situation == u"writer"_s) {
        // The other program adds its keys as fast as it can, each at once;
        // this one writes as fast as the user types.
        QProcess writer;
        writer.start(
            QCoreApplication::applicationDirPath() + u"/settings_writer"_s, {settingsFile(), u"Other"_s, u"300"_s});
        QVERIFY(writer.waitForStarted());
        int written = 0;
        QElapsedTimer running;
        running.start();
        while (!writer.waitForFinished(20) && running.elapsed() < 60000)
            QVERIFY2(store.writeText(u"Text1"_s, u"/folder %1/"_s.arg(++written)), qPrintable(store.failure()));
        QCOMPARE(writer.state(), QProcess::NotRunning);
        QCOMPARE(writer.exitCode(), 0);
        QVERIFY(store.writeText(u"LastFolder"_s, u"/last/"_s));
        const QSettings settings(settingsFile(), QSettings::IniFormat);
        QStringList lost;
        for (int i = 0; i < 300; ++i) {
            if (settings.value(u"Other/key%1"_s.arg(i)).toString() != u"value %1"_s.arg(i))
                lost << u"key%1"_s.arg(i);
        }
        QVERIFY2(lost.isEmpty(), qPrintable(u"lost: "_s + lost.join(u' ')));
        QCOMPARE(settings.value(kSection + u"/Text1"_s).toString(), u"/folder %1/"_s.arg(written));
        QCOMPARE(settings.value(kSection + u"/LastFolder"_s).toString(), u"/last/"_s);
        return;
    }

    const QByteArray before = readAll(settingsFile());
    QLockFile held(lockPath);
    if (situation == u"stale lock"_s) {
        // What QLockFile leaves when its program is killed: the number of a
        // process that is gone.
        WriteTextFile(lockPath, "2147480000\nsettings_writer\n\n");
    } else if (situation == u"held lock"_s) {
        QVERIFY(held.tryLock(0));
    } else if (situation == u"fifo"_s) {
        QCOMPARE(::mkfifo(lock.constData(), 0600), 0);
    } else if (situation == u"link"_s) {
        QVERIFY(QFile::link(WriteTextFile(m_config->filePath(u"elsewhere"_s), "mine"), lockPath));
    } else if (situation == u"another user's"_s) {
        WriteTextFile(lockPath, "2147480000\nsettings_writer\n\n");
        QCOMPARE(::chown(lock.constData(), 65534, 65534), 0);
    } else if (situation == u"too large"_s) {
        WriteTextFile(
            settingsFile(), before + "[Other]\nk=" + QByteArray(1024 * 1024 - before.size() - 20, 'x') + '\n');
    }
    const QByteArray unchanged = readAll(settingsFile());

    QElapsedTimer waited;
    waited.start();
    QCOMPARE(store.writeText(u"Text1"_s, u"/second folder, a longer text/"_s), saved);
    const qint64 firstWait = waited.restart();
    if (saved) {
        QCOMPARE(stored(u"Text1"_s), u"/second folder, a longer text/"_s);
        return;
    }
    QVERIFY(!store.failure().isEmpty());
    QCOMPARE(readAll(settingsFile()), unchanged);
    QVERIFY2(firstWait < 3000, qPrintable(u"waited %1 ms"_s.arg(firstWait)));
    if (situation == u"held lock"_s) {
        // A second, then no more waiting until the lock is free again.
        QVERIFY2(firstWait >= 900, qPrintable(u"waited %1 ms"_s.arg(firstWait)));
        QVERIFY(!store.writeText(u"Text1"_s, u"/third/"_s));
        QVERIFY2(waited.elapsed() < 300, qPrintable(u"waited %1 ms"_s.arg(waited.elapsed())));
        held.unlock();
        QVERIFY(store.writeText(u"Text1"_s, u"/third/"_s));
        QCOMPARE(stored(u"Text1"_s), u"/third/"_s);
    } else if (situation != u"too large"_s) {
        struct stat status { };
        QCOMPARE(::lstat(lock.constData(), &status), 0);
        QCOMPARE(situation == u"fifo"_s, S_ISFIFO(status.st_mode));
    }
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
    QTest::newRow("a section under the program's")
        << QByteArray("[Reelwright%20Software]\nText1=/a/\n[Reelwright%20Software\\Sub]\nk=1\n") << file;
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
    SettingsStore store(settingsFile());
    QVERIFY(!store.writeText(u"Text1"_s, u"/b/"_s));
    QVERIFY(!store.failure().isEmpty());
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
