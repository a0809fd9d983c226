// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ConversionHost.h"
#include "HomePage.h"
#include "MousePointer.h"
#include "SettingsStore.h"

#include <QWidget>

#include <chrono>
#include <functional>

class ConversionRun;
class Dialogs;
class FileListWidget;
class HoverPointer;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class ReorderDrag;
class ReportingProcedure;
class SkinFramework;
class ScanActivity;
class TextProgressBar;

// What the main window takes from outside; tests replace the defaults.
struct Form1Setup {
    // A whole number from 1 to 100, drawn once per start.
    std::function<int()> drawOneToHundred;
    // How long one poll of the wait for the converter lasts.
    std::chrono::milliseconds pollInterval{100};
    // Opened on one start in a hundred; nothing is opened when empty.
    QString homePage = HomePageAddress();
    // The file that keeps the user's choices.
    QString settingsFile = SettingsStore::DefaultFilePath();
    // The folder with the files installed beside the program (the samples,
    // the skin, the pointers); empty means the folder of the executable.
    QString programFolder;
    // Where the mouse pointer is on the screen; empty means QCursor::pos.
    std::function<QPoint()> pointerScreenPosition;
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
    SkinFramework *skinFramework1() const { return m_skinFramework1; }
    ReorderDrag &reorderDrag() const { return *m_reorderDrag; }

    // The window's pointer: 0 default, 1 arrow, 11 busy, 99 custom, over
    // the whole window; the custom value shows the hand.
    int mousePointer() const override { return m_mousePointer.value(); }
    void setMousePointer(int pointer) override { m_mousePointer.set(pointer); }
    bool isBusy() const { return m_mousePointer.isBusy(); }
    const MousePointer &windowPointer() const { return m_mousePointer; }

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
    QList<QPushButton *> pushButtons() const;
    void setTabOrder();
    void watchPointer();
    void loadHandPointer(ReportingProcedure &procedure);
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
    MousePointer m_mousePointer{*this};
    bool m_closeAfterRun = false;

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
    SkinFramework *m_skinFramework1 = nullptr;
    HoverPointer *m_hoverPointer = nullptr;
    ReorderDrag *m_reorderDrag = nullptr;
    ScanActivity *m_scans = nullptr;
};

// Pixels for a measure in twips, at 15 twips to the pixel.
int TwipsToPixels(int twips);
