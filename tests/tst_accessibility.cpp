// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Appearance.h"
#include "FileListWidget.h"
#include "Form1.h"
#include "QuietStart.h"
#include "ScriptedDialogs.h"
#include "Themes.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kShippedSkin = QStringLiteral(REELWRIGHT_RESOURCES "/x/o.cjs");

// What a screen reader sees of a control.
QAccessibleInterface *readerView(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

QString nameOf(QWidget *widget)
{
    return readerView(widget)->text(QAccessible::Name);
}

// Tabs from wherever the focus is until the screen reader is told that
// control has it; false when the tab chain never gets there.
bool tabTo(QWidget *control)
{
    for (int tabs = 0; tabs < 16 && !readerView(control)->state().focused; ++tabs)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    return readerView(control)->state().focused;
}

// Presses and releases a key on a control; a held key repeats the press.
void pressKey(QWidget *control, Qt::Key key, int repeats)
{
    const Qt::KeyboardModifiers modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    for (int i = 0; i <= repeats; ++i) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, QString(), i > 0);
        QApplication::sendEvent(control, &press);
    }
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(control, &release);
}

} // namespace

class TestAccessibility final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void controlsAreNamed_data();
    void controlsAreNamed();
    void everyFocusableControlAndRowIsNamed();
    void returnPressesTheFocusedButton_data();
    void returnPressesTheFocusedButton();
    void focusOutlineStandsOut_data();
    void focusOutlineStandsOut();

private:
    // The window shown and active, with the focus where it first goes.
    std::unique_ptr<Form1> start(bool skinned = false);

    // Both new for each test: a choice one test stores must not reach the next.
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_programFolder;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
};

void TestAccessibility::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
    m_programFolder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_programFolder->isValid());
    m_dialogs = std::make_unique<ScriptedDialogs>();
}

void TestAccessibility::cleanup()
{
    QApplication::setPalette(QPalette());
}

std::unique_ptr<Form1> TestAccessibility::start(bool skinned)
{
    const QString skinFile = SkinFilePath(m_programFolder->path());
    if (skinned && !(QDir().mkpath(QFileInfo(skinFile).absolutePath()) && QFile::copy(kShippedSkin, skinFile)))
        return nullptr;
    Form1Setup setup = QuietStart();
    setup.programFolder = m_programFolder->path();
    auto form = std::make_unique<Form1>(*m_dialogs, setup);
    form->show();
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get()))
        return nullptr;
    return form;
}

void TestAccessibility::controlsAreNamed_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");

    QTest::newRow("window") << u"Form1"_s << int(QAccessible::Window) << u"Reelwright Software"_s << QString();
    QTest::newRow("list") << u"ListView1"_s << int(QAccessible::Tree) << u"Files to convert"_s << FileListHelpText();
    const QList<std::pair<QString, QString>> buttons = {{u"PushButton1"_s, u"Add AVI File(s)"_s},
        {u"PushButton3"_s, u"Add All AVI File(s) In Folder"_s}, {u"PushButton7"_s, u"Clear List"_s},
        {u"PushButton8"_s, u"Load Sample/Example Files"_s}, {u"PushButton4"_s, u"Choose the output folder"_s},
        {u"PushButton2"_s, u"Start Converting"_s}};
    for (const auto &[button, name] : buttons)
        QTest::addRow("%s", qPrintable(button)) << button << int(QAccessible::Button) << name << QString();
    QTest::newRow("Frame1") << u"Frame1"_s << int(QAccessible::Grouping) << u"Save Option"_s << QString();
    QTest::newRow("Frame3") << u"Frame3"_s << int(QAccessible::Grouping) << u"Output folder"_s << QString();
    QTest::newRow("Option1") << u"Option1"_s << int(QAccessible::RadioButton) << u"Save results to this folder:"_s
                             << QString();
    QTest::newRow("Option2") << u"Option2"_s << int(QAccessible::RadioButton)
                             << u"Save results in folder of original file"_s << QString();
    QTest::newRow("Text1") << u"Text1"_s << int(QAccessible::EditableText) << u"Output folder"_s << QString();
    QTest::newRow("progress bar") << u"ProgressBar1"_s << int(QAccessible::ProgressBar) << u"Conversion progress"_s
                                  << u"Progress Bar"_s;
}

void TestAccessibility::controlsAreNamed()
{
    QFETCH(QString, control);
    QFETCH(int, role);
    QFETCH(QString, name);
    QFETCH(QString, description);
    const auto form = start();
    QVERIFY(form);
    QWidget *widget = control == form->objectName() ? form.get() : form->findChild<QWidget *>(control);
    QVERIFY(widget);
    QAccessibleInterface *view = readerView(widget);
    QCOMPARE(int(view->role()), role);
    QCOMPARE(view->text(QAccessible::Name), name);
    QCOMPARE(view->text(QAccessible::Description), description);
}

// Whatever control the window gains, Tab never lands on a nameless one; the
// list's rows read as the paths they hold.
void TestAccessibility::everyFocusableControlAndRowIsNamed()
{
    const auto form = start();
    QVERIFY(form);
    const QList<QWidget *> controls = form->findChildren<QWidget *>();
    int focusable = 0;
    for (QWidget *control : controls) {
        if ((control->focusPolicy() & Qt::TabFocus) == 0 || !control->isVisibleTo(form.get()))
            continue;
        ++focusable;
        QVERIFY2(!nameOf(control).trimmed().isEmpty(), qPrintable(control->objectName()));
    }
    QCOMPARE(focusable, 10);

    const QStringList paths = {u"/clips/one.avi"_s, u"/clips/two.avi"_s};
    form->listView1()->appendPaths(paths);
    QAccessibleTableInterface *table = readerView(form->listView1())->tableInterface();
    QVERIFY(table);
    // The view lays out its rows when it next handles events.
    QTRY_COMPARE(table->rowCount(), int(paths.size()));
    for (int row = 0; row < paths.size(); ++row)
        QCOMPARE(table->cellAt(row, 0)->text(QAccessible::Name), paths.at(row));
}

void TestAccessibility::returnPressesTheFocusedButton_data()
{
    QTest::addColumn<QString>("button"); // as the screen reader names it
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("repeats"); // presses of a held key after the first
    QTest::addColumn<bool>("frameOff"); // the output folder's frame disabled
    QTest::addColumn<int>("clicks");

    for (const QString &button : {u"Add AVI File(s)"_s, u"Add All AVI File(s) In Folder"_s, u"Start Converting"_s,
             u"Clear List"_s, u"Load Sample/Example Files"_s, u"Choose the output folder"_s})
        QTest::addRow("Return on %s", qPrintable(button)) << button << int(Qt::Key_Return) << 0 << false << 1;
    QTest::newRow("Enter") << u"Load Sample/Example Files"_s << int(Qt::Key_Enter) << 0 << false << 1;
    QTest::newRow("held Return") << u"Clear List"_s << int(Qt::Key_Return) << 5 << false << 1;
    QTest::newRow("disabled button") << u"Choose the output folder"_s << int(Qt::Key_Return) << 0 << true << 0;
}

// Tab from the list to the button, as a keyboard user does, then the key.
void TestAccessibility::returnPressesTheFocusedButton()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(int, repeats);
    QFETCH(bool, frameOff);
    QFETCH(int, clicks);
    const auto form = start();
    QVERIFY(form);
    if (frameOff)
        form->option2()->click();
    QPushButton *target = nullptr;
    for (QPushButton *candidate : form->findChildren<QPushButton *>()) {
        if (nameOf(candidate) == button)
            target = candidate;
    }
    QVERIFY(target);
    QVERIFY(readerView(form->listView1())->state().focused);

    QSignalSpy clicked(target, &QPushButton::clicked);
    QCOMPARE(tabTo(target), !frameOff);
    pressKey(target, Qt::Key(key), repeats);
    QCOMPARE(clicked.count(), clicks);
}

void TestAccessibility::focusOutlineStandsOut_data()
{
    QTest::addColumn<QPalette>("theme");
    QTest::addColumn<bool>("skinned");
    QTest::addColumn<QString>("control");

    const QList<std::pair<const char *, QPalette>> themes = {{"light", lightTheme()}, {"dark", darkTheme()}};
    for (const auto &[themeName, theme] : themes) {
        for (const bool skinned : {false, true}) {
            for (const QString &control : {u"PushButton8"_s, u"ListView1"_s, u"Text1"_s, u"Option2"_s})
                QTest::addRow("%s theme%s, %s", themeName, skinned ? ", skin" : "", qPrintable(control))
                    << theme << skinned << control;
        }
    }
}

// Every pixel of a ring two pixels wide around the control changes by at
// least 3:1 when the control takes the focus.
void TestAccessibility::focusOutlineStandsOut()
{
    QFETCH(QPalette, theme);
    QFETCH(bool, skinned);
    QFETCH(QString, control);
    QApplication::setPalette(theme);
    const auto form = start(skinned);
    QVERIFY(form);
    QVERIFY(m_dialogs->messages.isEmpty());
    QWidget *widget = form->findChild<QWidget *>(control);
    QVERIFY(widget);

    QApplication::focusWidget()->clearFocus();
    const QImage unfocused = form->grab().toImage();
    widget->setFocus(Qt::TabFocusReason);
    QVERIFY(readerView(widget)->state().focused);
    const QImage focused = form->grab().toImage();

    const QRect inside(widget->mapTo(form.get(), QPoint()), widget->size());
    const QRect outside = inside.adjusted(-2, -2, 2, 2);
    double weakest = 21;
    for (int y = outside.top(); y <= outside.bottom(); ++y) {
        for (int x = outside.left(); x <= outside.right(); ++x) {
            if (!inside.contains(x, y))
                weakest = std::min(weakest, contrast(unfocused.pixelColor(x, y), focused.pixelColor(x, y)));
        }
    }
    QVERIFY2(weakest >= 3, qPrintable(u"weakest change %1"_s.arg(weakest)));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
