// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Form1.h"

#include "AddAllInFolder.h"
#include "AddFilesByDialog.h"
#include "Appearance.h"
#include "ApplicationTitle.h"
#include "BuildSettings.h"
#include "ConversionRun.h"
#include "Dialogs.h"
#include "ErrorReport.h"
#include "FileDropTarget.h"
#include "FileListWidget.h"
#include "FocusOutline.h"
#include "HomePage.h"
#include "HoverPointer.h"
#include "OutputOptions.h"
#include "PathHelpers.h"
#include "PointerImage.h"
#include "ProgramIcon.h"
#include "ReorderDrag.h"
#include "ReturnClicksButton.h"
#include "SkinFramework.h"
#include "SampleFiles.h"
#include "ScanActivity.h"
#include "TextProgressBar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScreen>

#include <algorithm>
#include <iterator>

namespace {

const QString kProductName = QStringLiteral("Reelwright Software");
const QString kFormLoadLocation = QStringLiteral("in Framesmith2021/08/31.Form1.Form_Load ");
const QString kClearListLocation = QStringLiteral("in Framesmith2021/08/31.Form1.PushButton7_Click ");
const QString kSamplesLocation = QStringLiteral("in Framesmith2021/08/31.Form1.PushButton8_Click ");
constexpr int kHomePageDraw = 7;

QRect twipsRect(int left, int top, int width, int height)
{
    return {TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height)};
}

QFont arialBold(qreal pointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

QPushButton *pushButton(QWidget *parent, const QString &name, const QString &caption, const QRect &geometry)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setFont(arialBold(11.25));
    button->setGeometry(geometry);
    return button;
}

int drawOneToHundred()
{
    return QRandomGenerator::global()->bounded(1, 101);
}

// A screen reader takes a plain top-level widget for a pane inside some
// other window; the main window is announced as a window.
QAccessibleInterface *accessibleWindow(const QString &className, QObject *object)
{
    auto *window = qobject_cast<Form1 *>(object);
    if (window && className == QLatin1String(Form1::staticMetaObject.className()))
        return new QAccessibleWidget(window, QAccessible::Window);
    return nullptr;
}

} // namespace

int TwipsToPixels(int twips)
{
    return qRound(twips / 15.0);
}

Form1::Form1(Dialogs &dialogs, Form1Setup setup, QWidget *parent)
    : QWidget(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_dialogs(dialogs)
    , m_setup(std::move(setup))
    , m_settings(m_setup.settingsFile)
{
    if (!m_setup.drawOneToHundred)
        m_setup.drawOneToHundred = drawOneToHundred;
    if (m_setup.programFolder.isEmpty())
        m_setup.programFolder = QCoreApplication::applicationDirPath();
    if (!m_setup.pointerScreenPosition)
        m_setup.pointerScreenPosition = [] { return QCursor::pos(); };

    m_settings.setFirstWriteFailureHandler([this] { tellChoicesCannotBeSaved(); });
    setObjectName(QStringLiteral("Form1"));
    setFont(arialBold(9));
    // White with dark text, as designed, under any desktop theme; the
    // controls on the window inherit it.
    setPalette(DesignedPalette());
    setAutoFillBackground(true);
    setFixedSize(TwipsToPixels(8040), TwipsToPixels(6690));
    QAccessible::installFactory(accessibleWindow);
    createControls();
    setTabOrder();
    new FocusOutline(*this);
    m_conversionRun = new ConversionRun(*this, m_dialogs, m_setup.pollInterval, this);
    m_skinFramework1 = new SkinFramework(this);
    watchPointer();
    m_scans = new ScanActivity(this);
    new FileDropTarget(*m_listView1, m_dialogs, m_scans);
    connectHandlers();
    Form_Load();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

Form1::~Form1()
{
    // Both watch the controls with the window's pointer, which goes before
    // the controls do.
    delete m_reorderDrag;
    delete m_hoverPointer;
}

void Form1::createControls()
{
    m_listView1 = new FileListWidget(this);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_listView1->setGeometry(twipsRect(120, 120, 7800, 2535));
    m_listView1->setAccessibleName(QStringLiteral("Files to convert"));

    m_pushButton1 = pushButton(
        this, QStringLiteral("PushButton1"), QStringLiteral("Add AVI File(s)"), twipsRect(120, 2750, 3840, 405));
    m_pushButton3 = pushButton(this, QStringLiteral("PushButton3"), QStringLiteral("Add All AVI File(s) In Folder"),
        twipsRect(4080, 2750, 3840, 405));
    m_pushButton7 = pushButton(
        this, QStringLiteral("PushButton7"), QStringLiteral("Clear List"), twipsRect(120, 3260, 3840, 405));
    m_pushButton8 = pushButton(this, QStringLiteral("PushButton8"), QStringLiteral("Load Sample/Example Files"),
        twipsRect(4080, 3260, 3840, 405));

    m_frame1 = new QGroupBox(QStringLiteral("Save Option"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(twipsRect(120, 3700, 7800, 1815));

    m_option1 = new QRadioButton(QStringLiteral("Save results to this folder:"), m_frame1);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option1->setGeometry(twipsRect(240, 300, 3615, 255));
    m_option1->setChecked(true);

    m_frame3 = new QGroupBox(m_frame1);
    m_frame3->setObjectName(QStringLiteral("Frame3"));
    m_frame3->setGeometry(twipsRect(480, 510, 6840, 810));
    // Without a caption of its own a screen reader would name it after
    // Frame1's.
    m_frame3->setAccessibleName(QStringLiteral("Output folder"));

    m_text1 = new QLineEdit(m_frame3);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(twipsRect(240, 300, 5670, 345));
    m_text1->setAccessibleName(QStringLiteral("Output folder"));

    m_pushButton4
        = pushButton(m_frame3, QStringLiteral("PushButton4"), QStringLiteral("..."), twipsRect(6000, 300, 600, 345));
    m_pushButton4->setAccessibleName(QStringLiteral("Choose the output folder"));

    m_option2 = new QRadioButton(QStringLiteral("Save results in folder of original file"), m_frame1);
    m_option2->setObjectName(QStringLiteral("Option2"));
    m_option2->setGeometry(twipsRect(240, 1410, 3615, 255));

    m_pushButton2 = pushButton(
        this, QStringLiteral("PushButton2"), QStringLiteral("Start Converting"), twipsRect(120, 5640, 7800, 405));

    m_progressBar1 = new TextProgressBar(this);
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setGeometry(twipsRect(120, 6160, 7800, 405));
    m_progressBar1->setAccessibleName(QStringLiteral("Conversion progress"));

    auto *returnKey = new ReturnClicksButton(this);
    for (QPushButton *button : pushButtons())
        returnKey->watch(button);
}

QList<QPushButton *> Form1::pushButtons() const
{
    return {m_pushButton1, m_pushButton2, m_pushButton3, m_pushButton4, m_pushButton7, m_pushButton8};
}

void Form1::setTabOrder()
{
    const QList<QWidget *> designed = {m_listView1, m_progressBar1, m_pushButton1, m_pushButton3, m_pushButton2,
        m_pushButton7, m_pushButton8, m_frame1, m_frame3, m_text1, m_pushButton4, m_option1, m_option2};
    // The bar and the frames are in the designed order but never take the
    // focus; the chain links the controls that do.
    QList<QWidget *> order;
    std::copy_if(designed.cbegin(), designed.cend(), std::back_inserter(order),
        [](const QWidget *widget) { return widget->focusPolicy() != Qt::NoFocus; });
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

void Form1::watchPointer()
{
    m_hoverPointer = new HoverPointer(m_mousePointer, this);
    for (QWidget *button : pushButtons())
        m_hoverPointer->watch(button, PointerCustom);
    for (QWidget *area :
        {static_cast<QWidget *>(this), static_cast<QWidget *>(m_frame1), static_cast<QWidget *>(m_frame3),
            static_cast<QWidget *>(m_option1), static_cast<QWidget *>(m_option2), static_cast<QWidget *>(m_text1)})
        m_hoverPointer->watch(area, PointerDefault);
    // The bar has no hover handler; the list resets the pointer in its
    // reorder handling.
    m_hoverPointer->leaveAlone(m_progressBar1);
    m_hoverPointer->leaveAlone(m_listView1);
    m_reorderDrag = new ReorderDrag(
        *m_listView1, m_mousePointer, DragImagePath(m_setup.programFolder), m_setup.pointerScreenPosition, this);
}

void Form1::connectHandlers()
{
    connect(m_pushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(m_pushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(m_pushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(m_pushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(m_pushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(m_pushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(m_option1, &QRadioButton::clicked, this, &Form1::Option1_Click);
    connect(m_option2, &QRadioButton::clicked, this, &Form1::Option2_Click);
    connect(m_text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(m_listView1, &FileListWidget::doubleClicked, this, &Form1::ListView1_DblClick);
    connect(m_listView1, &FileListWidget::keyDown, this, &Form1::ListView1_KeyDown);
    connect(m_conversionRun, &ConversionRun::finished, this, &Form1::conversionFinished, Qt::QueuedConnection);
    connect(m_scans, &ScanActivity::allEnded, this, &Form1::closeIfAsked, Qt::QueuedConnection);
}

void Form1::Form_Load()
{
    ReportingProcedure procedure(m_dialogs, kFormLoadLocation);
    procedure.step(100, [&] { ApplySkin(*this, *m_skinFramework1, SkinFilePath(m_setup.programFolder)); });
    procedure.step(102, [&] {
        setWindowTitle(kProductName);
        setWindowIcon(ProgramIcon());
        SetApplicationTitle(DeriveApplicationTitle(kProductName));
    });
    loadHandPointer(procedure);
    procedure.step(108, [&] {
        if (m_setup.drawOneToHundred() == kHomePageDraw && !m_setup.homePage.isEmpty())
            OpenHomePage(m_dialogs, m_setup.homePage);
    });
    procedure.step(132, [&] { m_listView1->addColumn(QStringLiteral("AVI File(s)")); });
    procedure.step(134, [&] { m_listView1->setColumnWidthInPixels(TwipsToPixels(7000)); });
    restoreOutputChoice(procedure);
}

void Form1::loadHandPointer(ReportingProcedure &procedure)
{
    const QString file = HandCursorPath(m_setup.programFolder);
    if (procedure.test(104, [&] { return FileExists(file); }))
        procedure.step(106, [&] { m_mousePointer.setCustomImage(LoadPointerFile(file).cursor()); });
}

void Form1::restoreOutputChoice(ReportingProcedure &procedure)
{
    procedure.step(136, [&] {
        // The default is worked out first, so a desktop that cannot be found
        // fails the step even when a folder is stored.
        const QString desktop = DesktopFolder();
        m_text1->setText(m_settings.readText(OutputKey::Text1, desktop));
    });
    procedure.step(138, [&] { selectOptionByCode(m_option1, m_settings.readTruth(OutputKey::Option1, true)); });
    procedure.step(140, [&] { selectOptionByCode(m_option2, m_settings.readTruth(OutputKey::Option2, false)); });
    if (procedure.test(142, [&] { return m_option1->isChecked(); }))
        procedure.step(144, [&] { m_frame3->setEnabled(true); });
    else
        procedure.step(146, [&] { m_frame3->setEnabled(false); });
}

// Selecting an option by code runs its click handler, as a click would;
// clearing one does not. Stored choices may clear both options, which
// exclusive buttons would refuse, so exclusivity is lifted for the clearing.
void Form1::selectOptionByCode(QRadioButton *option, bool selected)
{
    if (selected) {
        option->setChecked(true);
        option == m_option1 ? Option1_Click() : Option2_Click();
        return;
    }
    m_option1->setAutoExclusive(false);
    m_option2->setAutoExclusive(false);
    option->setChecked(false);
    m_option1->setAutoExclusive(true);
    m_option2->setAutoExclusive(true);
}

void Form1::tellChoicesCannotBeSaved()
{
    m_dialogs.message(QStringLiteral("Your choices could not be saved in %1, so they will not be remembered the next "
                                     "time the program starts. Converting works as usual.")
                          .arg(QDir::toNativeSeparators(m_settings.filePath())),
        MessageIcon::Warning);
}

void Form1::PushButton1_Click()
{
    AddFilesByDialog(m_dialogs, this, *m_listView1);
}

void Form1::PushButton2_Click()
{
    m_conversionRun->run();
}

void Form1::PushButton3_Click()
{
    AddAllFilesInFolder({m_dialogs, m_settings, this, *m_listView1,
        {[this] { return mousePointer(); }, [this](int pointer) { setMousePointer(pointer); }}, m_scans});
}

void Form1::PushButton4_Click()
{
    BrowseForOutputFolder(m_dialogs, m_settings, this, [this](const QString &folder) { m_text1->setText(folder); });
}

void Form1::Option1_Click()
{
    StoreOptionChoice(m_settings, m_option1->isChecked(), m_option2->isChecked());
    m_frame3->setEnabled(m_option1->isChecked());
}

void Form1::Option2_Click()
{
    Option1_Click();
}

void Form1::Text1_Change()
{
    m_settings.writeText(OutputKey::Text1, m_text1->text());
}

void Form1::PushButton7_Click()
{
    ReportingProcedure procedure(m_dialogs, kClearListLocation);
    if (procedure.test(100, [&] { return !isBusy(); }))
        procedure.step(100, [&] { m_listView1->removeAll(); });
}

void Form1::PushButton8_Click()
{
    ReportingProcedure procedure(m_dialogs, kSamplesLocation);
    procedure.step(100, [&] { LoadSampleFiles(m_dialogs, *m_listView1, programFolder()); });
}

void Form1::ListView1_DblClick()
{
    if (!isBusy())
        m_listView1->removeSelected();
}

void Form1::ListView1_KeyDown(int key)
{
    if (key == Qt::Key_Delete && !isBusy())
        m_listView1->removeSelected();
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (m_conversionRun->isConverting() || m_scans->isScanning()) {
        // The run is still inside its wait, a scan inside its walk; the run
        // stops its converter and cleans up, the scans stop at their next
        // folder, and then the window closes.
        m_closeAfterRun = true;
        m_conversionRun->abandon();
        m_scans->requestStop();
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void Form1::conversionFinished()
{
    closeIfAsked();
}

void Form1::closeIfAsked()
{
    if (m_closeAfterRun)
        close();
}

int Form1::itemCount() const
{
    return m_listView1->count();
}

QString Form1::itemText(int index) const
{
    return m_listView1->textAt(index);
}

bool Form1::option1Selected() const
{
    return m_option1->isChecked();
}

bool Form1::option2Selected() const
{
    return m_option2->isChecked();
}

QString Form1::outputFolderText() const
{
    return m_text1->text();
}

ProgressView &Form1::progressBar()
{
    return *m_progressBar1;
}
