// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ConversionHost.h"
#include "SettingsStore.h"

#include <QHash>
#include <QWidget>

#include <chrono>
#include <functional>

class ConversionRun;
class Dialogs;
class FileListWidget;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class ReportingProcedure;
class ScanActivity;
class TextProgressBar;

// What the main window takes from outside; tests replace the defaults.
struct Form1Setup {
    // A whole number from 1 to 100, drawn once per start.
    std::function<int()> drawOneToHundred;
    // How long one poll of the wait for the converter lasts.
    std::chrono::milliseconds pollInterval{100};
    // The file that keeps the user's choices.
    QString settingsFile = SettingsStore::DefaultFilePath();
    // The folder with the files installed beside the program (the samples,
    // the skin, the pointers); empty means the folder of the executable.
    QString programFolder;
};

// The program's one window: the file list, the buttons that fill and empty
// it, the output choice, "Start Converting" and the progress bar. Each
// handler hands its event to the part of the program that owns it.
class Form1 final : public QWidget, private ConversionHost {
    Q_OBJECT
public:
    explicit Form1(Dialogs &dialogs, Form1Setup setup = {}, QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(Form1)
    ~Form1() override;

    FileListWidget *listView1() const { return m_listView1; }
    QPushButton *pushButton1() const { return m_pushButton1; }
    QPushButton *pushButton2() const { return m_pushButton2; }
    QPushButton *pushButton3() const { return m_pushButton3; }
    QPushButton *pushButton4() const { return m_pushButton4; }
    QPushButton *pushButton7() const { return m_pushButton7; }
    QPushButton *pushButton8() const { return m_pushButton8; }
    QGroupBox *frame1() const { return m_frame1; }
    QGroupBox *frame3() const { return m_frame3; }
    QRadioButton *option1() const { return m_option1; }
    QRadioButton *option2() const { return m_option2; }
    QLineEdit *text1() const { return m_text1; }
    TextProgressBar *progressBar1() const { return m_progressBar1; }
    ConversionRun &conversionRun() const { return *m_conversionRun; }
    SettingsStore &settings() { return m_settings; }
    const QString &programFolder() const { return m_setup.programFolder; }

    // The window's pointer: 0 default, 1 arrow, 11 busy, 99 custom.
    int mousePointer() const override { return m_mousePointer; }
    void setMousePointer(int pointer) override;
    bool isBusy() const { return m_mousePointer == PointerBusy; }

    void Form_Load();
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void Option1_Click();
    void Option2_Click();
    void Text1_Change();
    void ListView1_DblClick();
    void ListView1_KeyDown(int key);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void setTabOrder();
    void connectHandlers();
    void conversionFinished();
    void closeIfAsked();
    void restoreOutputChoice(ReportingProcedure &procedure);
    void selectOptionByCode(QRadioButton *option, bool selected);
    void tellChoicesCannotBeSaved();

    int itemCount() const override;
    QString itemText(int index) const override;
    bool option1Selected() const override;
    bool option2Selected() const override;
    QString outputFolderText() const override;
    ProgressView &progressBar() override;

    Dialogs &m_dialogs;
    Form1Setup m_setup;
    SettingsStore m_settings;
    int m_mousePointer = PointerDefault;
    bool m_closeAfterRun = false;
    QHash<QWidget *, QCursor> m_cursorsBeforeBusy;

    FileListWidget *m_listView1 = nullptr;
    QPushButton *m_pushButton1 = nullptr;
    QPushButton *m_pushButton3 = nullptr;
    QPushButton *m_pushButton7 = nullptr;
    QPushButton *m_pushButton8 = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QRadioButton *m_option1 = nullptr;
    QGroupBox *m_frame3 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QPushButton *m_pushButton4 = nullptr;
    QRadioButton *m_option2 = nullptr;
    QPushButton *m_pushButton2 = nullptr;
    TextProgressBar *m_progressBar1 = nullptr;
    ConversionRun *m_conversionRun = nullptr;
    ScanActivity *m_scans = nullptr;
};

// The address opened on one start in a hundred.
QString HomePageAddress();

// Pixels for a measure in twips, at 15 twips to the pixel.
int TwipsToPixels(int twips);
