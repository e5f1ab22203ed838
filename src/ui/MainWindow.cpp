#include "ui/MainWindow.h"

#include "batch/BatchRun.h"
#include "platform/text/PathText.h"
#include "settings/Settings.h"
#include "ui/FolderBox.h"
#include "ui/FolderDialog.h"
#include "ui/QualityScrollBar.h"
#include "ui/ResultList.h"

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

MainWindow::MainWindow(const QString& programFolder, QWidget* parent)
    : MainWindow(programFolder, SettingsLocation::find(pathText::toPath(programFolder.toStdString())), parent)
{
}

MainWindow::MainWindow(const QString& programFolder, SettingsLocation settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      programFolder_(programFolder),
      settings_(std::move(settings)),
      chooser_(FolderDialog::choose),
      prompts_(Prompts::messageBoxes())
{
    setObjectName(QStringLiteral("MainWindow"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(designFont());
    setWindowIcon(QIcon(QStringLiteral(":/pellora/pellora.png")));
    createControls();
    setTabOrderAsDesigned();
    connectRun();
    loadSettings();
    inputFolderBox_->setFocus();
}

MainWindow::~MainWindow() = default;

QString MainWindow::settingsFilePath() const
{
    return QString::fromStdString(pathText::toText(settings_.file()));
}

QString MainWindow::caption()
{
    return QStringLiteral("Vask SS移動変換ツール") + QStringLiteral(" - ver") + QStringLiteral(PELLORA_VERSION);
}

// Created in tab order, so the focus chain already follows the design.
void MainWindow::createControls()
{
    inputFolderBox_ = createFolderRow("inputFolderBox", "inputBrowseButton", 8, QStringLiteral("参照(&I)..."),
                                      inputBrowseButton_);
    connect(inputBrowseButton_, &QPushButton::clicked, this, &MainWindow::browseForInputFolder);
    outputFolderBox_ = createFolderRow("outputFolderBox", "outputBrowseButton", 36, QStringLiteral("参照(&O)..."),
                                       outputBrowseButton_);
    connect(outputBrowseButton_, &QPushButton::clicked, this, &MainWindow::browseForOutputFolder);

    prefixBox_ = placed(new QLineEdit(this), "prefixBox", 96, 64, 137, 21);

    qualityBar_ = placed(new QualityScrollBar(this), "qualityBar", 132, 92, 101, 21);
    qualityBar_->setRange(1, 100);
    qualityBar_->setSingleStep(1);
    qualityBar_->setPageStep(10);
    // The label shows completed changes only, not the thumb while it is dragged.
    qualityBar_->setTracking(false);
    connect(qualityBar_, &QScrollBar::valueChanged, this, &MainWindow::showQuality);
    connect(qualityBar_, &QScrollBar::valueChanged, this, &MainWindow::publishOptions);

    deleteSourcesCheck_ = placed(new QCheckBox(QStringLiteral("元のスクリーンショットは削除する"), this),
                                 "deleteSourcesCheck", 244, 92, 193, 21);
    logCheck_ = placed(new QCheckBox(QStringLiteral("動作ログを保存する"), this), "logCheck", 68, 124, 141, 17);
    connect(deleteSourcesCheck_, &QCheckBox::toggled, this, &MainWindow::publishOptions);
    connect(logCheck_, &QCheckBox::toggled, this, &MainWindow::publishOptions);

    resultList_ = placed(new ResultList(this), "resultList", 4, 148, 357, 112);
    resultList_->setSelectionMode(QAbstractItemView::SingleSelection);
    resultList_->setSortingEnabled(false);

    moveButton_ = placed(button(this, QStringLiteral("移動(&M)")), "moveButton", 364, 184, 81, 33);
    connect(moveButton_, &QPushButton::clicked, this, &MainWindow::startRun);
    exitButton_ = placed(button(this, QStringLiteral("終了(&X)")), "exitButton", 364, 224, 81, 33);
    connect(exitButton_, &QPushButton::clicked, this, &MainWindow::exitProgram);

    label(this, "inputFolderCaption", QStringLiteral("コピー元フォルダ"), 4, 12, 89, 17);
    label(this, "outputFolderCaption", QStringLiteral("コピー先フォルダ"), 4, 40, 89, 17);
    label(this, "prefixCaption", QStringLiteral("ファイル名"), 4, 68, 81, 17);
    label(this, "logCaption", QStringLiteral("動作ログ"), 4, 124, 61, 17);
    label(this, "qualityCaption", QStringLiteral("保存クオリティ"), 4, 96, 81, 17);
    qualityLabel_ = label(this, "qualityLabel", QString(), 96, 92, 29, 21);
    qualityLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    progressBar_ = placed(new QProgressBar(this), "progressBar", 0, 263, 448, 25);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
}

QLineEdit* MainWindow::createFolderRow(const char* boxName, const char* buttonName, int top,
                                       const QString& buttonCaption, QPushButton*& browseButton)
{
    QLineEdit* box = placed(new FolderBox(this), boxName, 96, top, 273, 21);
    browseButton = placed(button(this, buttonCaption), buttonName, 376, top, 65, 21);
    return box;
}

void MainWindow::setTabOrderAsDesigned()
{
    const QWidget* order[] = {inputFolderBox_,     inputBrowseButton_, outputFolderBox_, outputBrowseButton_,
                              prefixBox_,          qualityBar_,        deleteSourcesCheck_, logCheck_,
                              resultList_,         moveButton_,        exitButton_};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

// Fills the controls from the six stored values, then takes the folders
// from them as a run would.
void MainWindow::loadSettings()
{
    const Settings stored = Settings::load(settings_.file());
    const QString inDir = QString::fromStdString(stored.inDir);
    const QString outDir = QString::fromStdString(stored.outDir);
    prefixBox_->setText(QString::fromStdString(stored.prefix));
    qualityBar_->setValue(stored.quality);
    deleteSourcesCheck_->setChecked(stored.deleteSources);
    logCheck_->setChecked(stored.log);
    inputFolderBox_->setText(inDir);
    outputFolderBox_->setText(outDir);
    takeFromBoxes();
    setWindowTitle(caption());
    QDir::setCurrent(programFolder_);
    showQuality(qualityBar_->value());
    publishOptions();
}

// The folders go back as the boxes show them, so a separator added in memory
// never reaches the file. A failed save is not shown: the window goes anyway.
void MainWindow::saveSettings()
{
    const Settings current{inputFolderBox_->text().toStdString(),
                           outputFolderBox_->text().toStdString(),
                           prefixBox_->text().toStdString(),
                           qualityBar_->value(),
                           deleteSourcesCheck_->isChecked(),
                           logCheck_->isChecked()};
    if (settings_.prepareForSaving())
        (void)current.save(settings_.file());
}

// The home folder as it is now, not when the run's thread gets to it.
void MainWindow::takeFromBoxes()
{
    taken_ = WindowBatchHost::Start{pathText::withHomeExpanded(inputFolderBox_->text().toStdString()),
                                    pathText::withHomeExpanded(outputFolderBox_->text().toStdString()),
                                    prefixBox_->text().toStdString()};
}

QString MainWindow::inputFolder() const
{
    return QString::fromStdString(pathText::withTrailingSeparator(taken_.inputFolder));
}

QString MainWindow::outputFolder() const
{
    return QString::fromStdString(pathText::withTrailingSeparator(taken_.outputFolder));
}

QString MainWindow::logPath() const
{
    return outputFolder() + QString::fromUtf8(BatchRun::kLogFileName.data(), BatchRun::kLogFileName.size());
}

void MainWindow::showQuality(int value)
{
    qualityLabel_->setText(QString::number(value));
}

// What a run reads per file, the moment the user changes it: the bar's value
// is what its label shows, as the bar tracks no drag.
void MainWindow::publishOptions()
{
    options_.quality = qualityBar_->value();
    options_.deleteSources = deleteSourcesCheck_->isChecked();
    options_.log = logCheck_->isChecked();
}

// What a run sends reaches the window in the order sent, and only through
// its event loop.
void MainWindow::connectRun()
{
    run_ = std::make_unique<RunController>(*this, prompts_, options_);
    connect(run_.get(), &RunController::listCleared, resultList_, &ResultList::clear);
    connect(run_.get(), &RunController::lineAdded, resultList_, &ResultList::appendLine);
    connect(run_.get(), &RunController::progressMaximumChanged, progressBar_, &QProgressBar::setMaximum);
    connect(run_.get(), &RunController::progressChanged, progressBar_, &QProgressBar::setValue);
    connect(run_.get(), &RunController::busyChanged, this, &MainWindow::showBusy);
    connect(run_.get(), &RunController::focusRequested, this, &MainWindow::focusBox);
    connect(run_.get(), &RunController::finished, this, &MainWindow::onRunFinished);
}

void MainWindow::focusBox(RunController::Box box)
{
    switch (box) {
    case RunController::Box::InputFolder:
        inputFolderBox_->setFocus();
        break;
    case RunController::Box::OutputFolder:
        outputFolderBox_->setFocus();
        break;
    case RunController::Box::Prefix:
        prefixBox_->setFocus();
        break;
    }
}

void MainWindow::showBusy(bool busy)
{
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

QString MainWindow::chooseFolder()
{
    return folderBoxText(chooser_(this));
}

void MainWindow::browseForInputFolder()
{
    browseInto(*inputFolderBox_);
}

void MainWindow::browseForOutputFolder()
{
    browseInto(*outputFolderBox_);
}

void MainWindow::browseInto(QLineEdit& box)
{
    const QString path = chooseFolder();
    if (!path.isEmpty())
        box.setText(path);
}

// One run at a time: the Move button is disabled while one goes, and a
// start by any other way does nothing.
void MainWindow::startRun()
{
    if (run_->running())
        return;
    takeFromBoxes();

    moveHadFocus_ = moveButton_->hasFocus();
    moveButton_->setEnabled(false);
    focusWhileDisabled_ = focusWidget();
    run_->start(taken_, static_cast<unsigned>(std::max(1, QThread::idealThreadCount())));
}

void MainWindow::onRunFinished()
{
    moveButton_->setEnabled(true);
    // Disabling moved the focus away from the button; give it back unless
    // the run sent it to a text box.
    if (moveHadFocus_ && focusWidget() == focusWhileDisabled_)
        moveButton_->setFocus();
    finishRun();
}

void MainWindow::finishRun()
{
    if (!closeWhenRunEnds_)
        return;
    closeWhenRunEnds_ = false;
    close();
    if (endProgramWhenClosed_)
        Q_EMIT programEndRequested();
}

void MainWindow::exitProgram()
{
    endProgramWhenClosed_ = true;
    if (close())
        Q_EMIT programEndRequested();
}

// Closing always goes through. During a run it waits for the run to stop at
// its next file, so that no conversion is cut off and the run never reports
// to a window that has gone; the settings are saved as the window goes.
void MainWindow::closeEvent(QCloseEvent* event)
{
    if (run_->running()) {
        run_->requestStop();
        closeWhenRunEnds_ = true;
        event->ignore();
        return;
    }
    saveSettings();
    event->accept();
}

} // namespace pellora
