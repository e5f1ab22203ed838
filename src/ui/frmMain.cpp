#include "ui/frmMain.h"

#include "batch/BatchRun.h"
#include "platform/text/PathText.h"
#include "platform/text/PathText.h"
#include "settings/Settings.h"
#include "ui/FolderDialog.h"
#include "ui/QualityScrollBar.h"
#include "ui/ResultList.h"
#include "ui/WindowBatchHost.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

namespace pellora {

namespace {

constexpr int kClientWidth = 448;
constexpr int kClientHeight = 288;

// The layout was drawn for a 9-point Japanese UI font whose kana are narrower
// than those of most CJK fonts; at 11 pixels the longest captions still fit
// their controls. A Japanese face first, so that shared characters take their
// Japanese forms rather than the Chinese ones of a fallback.
QFont designFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic"), QStringLiteral("Yu Gothic UI"),
                      QStringLiteral("Meiryo UI"), QStringLiteral("MS UI Gothic")});
    font.setPixelSize(11);
    return font;
}

template <typename Widget>
Widget* placed(Widget* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QPushButton* button(QWidget* parent, const QString& text)
{
    auto* result = new QPushButton(text, parent);
    // A plain window has no default button; say so in case a style thinks otherwise.
    result->setAutoDefault(false);
    result->setDefault(false);
    return result;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height)
{
    return placed(new QLabel(text, parent), name, left, top, width, height);
}

} // namespace

frmMain::frmMain(const QString& programFolder, QWidget* parent)
    : frmMain(programFolder, SettingsLocation::find(pathText::toPath(programFolder.toStdString())), parent)
{
}

frmMain::frmMain(const QString& programFolder, SettingsLocation settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      programFolder_(programFolder),
      settings_(std::move(settings)),
      chooser_(FolderDialog::choose),
      prompts_(Prompts::messageBoxes())
{
    setObjectName(QStringLiteral("frmMain"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(designFont());
    setWindowIcon(QIcon(QStringLiteral(":/pellora/pellora.png")));
    createControls();
    setTabOrderAsDesigned();
    loadSettings();
    txtInDir->setFocus();
}

QString frmMain::settingsFilePath() const
{
    return QString::fromStdString(pathText::toText(settings_.file()));
}

QString frmMain::caption()
{
    return QStringLiteral("Vask SS移動変換ツール") + QStringLiteral(" - ver") + QStringLiteral(PELLORA_VERSION);
}

// Created in tab order, so the focus chain already follows the design.
void frmMain::createControls()
{
    txtInDir = createFolderRow("txtInDir", 8, 0, QStringLiteral("参照(&I)..."));
    txtOutDir = createFolderRow("txtOutDir", 36, 1, QStringLiteral("参照(&O)..."));

    txtMatch = placed(new QLineEdit(this), "txtMatch", 96, 64, 137, 21);

    HScroll1 = placed(new QualityScrollBar(this), "HScroll1", 132, 92, 101, 21);
    HScroll1->setRange(1, 100);
    HScroll1->setSingleStep(1);
    HScroll1->setPageStep(10);
    // The label shows completed changes only, not the thumb while it is dragged.
    HScroll1->setTracking(false);
    connect(HScroll1, &QScrollBar::valueChanged, this, &frmMain::showQuality);

    chkDel = placed(new QCheckBox(QStringLiteral("元のスクリーンショットは削除する"), this), "chkDel", 244, 92, 193, 21);
    chkLog = placed(new QCheckBox(QStringLiteral("動作ログを保存する"), this), "chkLog", 68, 124, 141, 17);

    List1 = placed(new ResultList(this), "List1", 4, 148, 357, 112);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setSortingEnabled(false);

    cmdMove = placed(button(this, QStringLiteral("移動(&M)")), "cmdMove", 364, 184, 81, 33);
    connect(cmdMove, &QPushButton::clicked, this, &frmMain::startRun);
    cmdExit = placed(button(this, QStringLiteral("終了(&X)")), "cmdExit", 364, 224, 81, 33);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::exitProgram);

    label(this, "Label1", QStringLiteral("コピー元フォルダ"), 4, 12, 89, 17);
    label(this, "Label2", QStringLiteral("コピー先フォルダ"), 4, 40, 89, 17);
    label(this, "Label3", QStringLiteral("ファイル名"), 4, 68, 81, 17);
    label(this, "Label4", QStringLiteral("動作ログ"), 4, 124, 61, 17);
    label(this, "Label5", QStringLiteral("保存クオリティ"), 4, 96, 81, 17);
    lblQua = label(this, "lblQua", QString(), 96, 92, 29, 21);
    lblQua->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    ProgressBar = placed(new QProgressBar(this), "ProgressBar", 0, 263, 448, 25);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
}

QLineEdit* frmMain::createFolderRow(const char* boxName, int top, int buttonIndex, const QString& buttonCaption)
{
    QLineEdit* box = placed(new QLineEdit(this), boxName, 96, top, 273, 21);
    QPushButton* browseButton = placed(button(this, buttonCaption), "cmdFolder", 376, top, 65, 21);
    // Both browse buttons share one name and one handler, told apart by index.
    browseButton->setProperty("index", buttonIndex);
    connect(browseButton, &QPushButton::clicked, this, [this, buttonIndex] { browse(buttonIndex); });
    cmdFolder[static_cast<size_t>(buttonIndex)] = browseButton;
    return box;
}

void frmMain::setTabOrderAsDesigned()
{
    const QWidget* order[] = {txtInDir, cmdFolder[0], txtOutDir, cmdFolder[1], txtMatch, HScroll1,
                              chkDel,   chkLog,       List1,     cmdMove,      cmdExit};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

// Fills the controls from the six stored values, then derives the window
// fields from them.
void frmMain::loadSettings()
{
    const Settings stored = Settings::load(settings_.file());
    const QString inDir = QString::fromStdString(stored.inDir);
    const QString outDir = QString::fromStdString(stored.outDir);
    txtMatch->setText(QString::fromStdString(stored.prefix));
    HScroll1->setValue(stored.quality);
    chkDel->setChecked(stored.deleteSources);
    chkLog->setChecked(stored.log);
    txtInDir->setText(inDir);
    txtOutDir->setText(outDir);
    setFolderFields(inDir, outDir);
    setWindowTitle(caption());
    QDir::setCurrent(programFolder_);
    showQuality(HScroll1->value());
}

// The folders go back as the boxes show them, so a separator added in memory
// never reaches the file. A failed save is not shown: the window goes anyway.
void frmMain::saveSettings()
{
    const Settings current{txtInDir->text().toStdString(), txtOutDir->text().toStdString(),
                           txtMatch->text().toStdString(), HScroll1->value(), chkDel->isChecked(), chkLog->isChecked()};
    if (settings_.prepareForSaving())
        (void)current.save(settings_.file());
}

void frmMain::setFolderFields(const QString& inDirText, const QString& outDirText)
{
    inDir_ = QString::fromStdString(pathText::withTrailingSeparator(pathText::withHomeExpanded(inDirText.toStdString())));
    outDir_ = QString::fromStdString(pathText::withTrailingSeparator(pathText::withHomeExpanded(outDirText.toStdString())));
    logPath_ = outDir_ + QStringLiteral("kavlog.txt");
}

void frmMain::showQuality(int value)
{
    lblQua->setText(QString::number(value));
}

QString frmMain::BrowseForFolder()
{
    return folderBoxText(chooser_(this));
}

void frmMain::browse(int index)
{
    const QString path = BrowseForFolder();
    if (path.isEmpty())
        return;
    if (index == 0)
        txtInDir->setText(path);
    else if (index == 1)
        txtOutDir->setText(path);
}

// The run yields to the event loop once per file, so this can be reached
// again from inside itself; the disabled button and the guard keep it to one
// run at a time.
void frmMain::startRun()
{
    if (running_ || BatchRun::inProgress())
        return;
    running_ = true;
    stopRequested_ = false;
    setFolderFields(txtInDir->text(), txtOutDir->text());
    matchPrefix_ = txtMatch->text();

    const bool moveHadFocus = cmdMove->hasFocus();
    cmdMove->setEnabled(false);
    QWidget* const focusWhileDisabled = focusWidget();
    {
        WindowBatchHost host(*this, prompts_);
        BatchRun(host.request(static_cast<unsigned>(std::max(1, QThread::idealThreadCount()))), host.frontEnd()).run();
    }
    cmdMove->setEnabled(true);
    // Disabling moved the focus away from the button; give it back unless
    // the run sent it to a text box.
    if (moveHadFocus && focusWidget() == focusWhileDisabled)
        cmdMove->setFocus();
    running_ = false;
    finishRun();
}

void frmMain::finishRun()
{
    if (!closeWhenRunEnds_)
        return;
    closeWhenRunEnds_ = false;
    close();
    if (endProgramWhenClosed_)
        Q_EMIT programEndRequested();
}

void frmMain::exitProgram()
{
    endProgramWhenClosed_ = true;
    if (close())
        Q_EMIT programEndRequested();
}

// Closing always goes through. During a run it waits for the run to stop at
// its next file, so that no conversion is cut off and the run never reports
// to a window that has gone; the settings are saved as the window goes.
void frmMain::closeEvent(QCloseEvent* event)
{
    if (running_) {
        stopRequested_ = true;
        closeWhenRunEnds_ = true;
        event->ignore();
        return;
    }
    saveSettings();
    event->accept();
}

} // namespace pellora
