#pragma once

#include "settings/SettingsLocation.h"
#include "batch/LiveRunOptions.h"
#include "ui/Prompts.h"
#include "ui/RunController.h"
#include "ui/WindowBatchHost.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace pellora {

class QualityScrollBar;
class ResultList;

// The program's only window: the folders, prefix, quality and options of a
// run, the button that starts it, and the list and bar in which it reports.
// Loading reads the settings file (SettingsLocation says where); every close writes it.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    // Asks the user for a folder: the path accepted, empty on Cancel.
    using FolderChooser = std::function<QString(QWidget* owner)>;

    // programFolder becomes the current folder and decides where the settings live.
    explicit MainWindow(const QString& programFolder, QWidget* parent = nullptr);
    MainWindow(const QString& programFolder, SettingsLocation settings, QWidget* parent = nullptr);
    // A run still going stops at its next file; the window waits for it.
    ~MainWindow() override;

    // The folder dialog and the message boxes, unless a test answers instead.
    void setFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }
    void setPrompts(Prompts prompts) { prompts_ = std::move(prompts); }

    QString settingsFilePath() const;
    static QString caption();

    // The folders and the log as the last run took them (before the first,
    // as loaded), a home folder's `~` expanded and a separator added, as the
    // run works in them.
    QString inputFolder() const;
    QString outputFolder() const;
    QString logPath() const;

    // From Move until the run has ended and the window has shown all of it.
    bool runInProgress() const { return run_->running(); }

    // The chosen folder's path, or empty text on Cancel or for something
    // that is not a folder of the file system.
    QString chooseFolder();

Q_SIGNALS:
    // exitButton_ wants the whole program to end now, not only this window.
    void programEndRequested();

public Q_SLOTS:
    void startRun();
    void browseForInputFolder();
    void browseForOutputFolder();
    void exitProgram();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    // A folder box and the browse button that fills it.
    QLineEdit* createFolderRow(const char* boxName, const char* buttonName, int top, const QString& buttonCaption,
                               QPushButton*& browseButton);
    void browseInto(QLineEdit& box);
    void setTabOrderAsDesigned();
    void loadSettings();
    void saveSettings();
    void takeFromBoxes();
    void showQuality(int value);
    void publishOptions();
    void connectRun();
    void focusBox(RunController::Box box);
    void showBusy(bool busy);
    void onRunFinished();
    void finishRun();

    QString programFolder_;
    SettingsLocation settings_;
    FolderChooser chooser_;
    Prompts prompts_;

    // What the last run was started with; before the first, what was loaded.
    WindowBatchHost::Start taken_;

    bool closeWhenRunEnds_ = false;
    bool endProgramWhenClosed_ = false;

    QLineEdit* inputFolderBox_ = nullptr;
    QPushButton* inputBrowseButton_ = nullptr;
    QLineEdit* outputFolderBox_ = nullptr;
    QPushButton* outputBrowseButton_ = nullptr;
    QLineEdit* prefixBox_ = nullptr;
    QualityScrollBar* qualityBar_ = nullptr;
    QCheckBox* deleteSourcesCheck_ = nullptr;
    QCheckBox* logCheck_ = nullptr;
    ResultList* resultList_ = nullptr;
    QPushButton* moveButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QLabel* qualityLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;

    // Whether the Move button had the focus when the run started, and where
    // disabling it sent the focus: the focus goes back when the run ends.
    bool moveHadFocus_ = false;
    QPointer<QWidget> focusWhileDisabled_;

    LiveRunOptions options_;
    // Last, so that a run still going ends before what it reads goes.
    std::unique_ptr<RunController> run_;
};

} // namespace pellora
