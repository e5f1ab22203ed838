#pragma once

#include "settings/SettingsLocation.h"
#include "ui/Prompts.h"

#include <QString>
#include <QWidget>
#include <array>
#include <functional>

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
class frmMain : public QWidget {
    Q_OBJECT

public:
    // Asks the user for a folder: the path accepted, empty on Cancel.
    using FolderChooser = std::function<QString(QWidget* owner)>;

    // programFolder becomes the current folder and decides where the settings live.
    explicit frmMain(const QString& programFolder, QWidget* parent = nullptr);
    frmMain(const QString& programFolder, SettingsLocation settings, QWidget* parent = nullptr);

    // The folder dialog and the message boxes, unless a test answers instead.
    void setFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }
    void setPrompts(Prompts prompts) { prompts_ = std::move(prompts); }

    QString settingsFilePath() const;
    static QString caption();

    // The window fields: set at start-up and again at the start of each run.
    const QString& InDir() const { return inDir_; }
    const QString& OutDir() const { return outDir_; }
    const QString& LogPath() const { return logPath_; }

    bool runInProgress() const { return running_; }

    // The chosen folder's path, or empty text on Cancel or for something
    // that is not a folder of the file system.
    QString BrowseForFolder();

Q_SIGNALS:
    // cmdExit wants the whole program to end now, not only this window.
    void programEndRequested();

public Q_SLOTS:
    void startRun();
    void browse(int index);
    void exitProgram();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class WindowBatchHost;

    void createControls();
    QLineEdit* createFolderRow(const char* boxName, int top, int buttonIndex, const QString& buttonCaption);
    void setTabOrderAsDesigned();
    void loadSettings();
    void saveSettings();
    void setFolderFields(const QString& inDirText, const QString& outDirText);
    void showQuality(int value);
    void finishRun();

    QString programFolder_;
    SettingsLocation settings_;
    FolderChooser chooser_;
    Prompts prompts_;

    QString inDir_;
    QString outDir_;
    QString matchPrefix_;
    QString logPath_;

    bool running_ = false;
    bool stopRequested_ = false;
    bool closeWhenRunEnds_ = false;
    bool endProgramWhenClosed_ = false;

    QLineEdit* txtInDir = nullptr;
    std::array<QPushButton*, 2> cmdFolder{};
    QLineEdit* txtOutDir = nullptr;
    QLineEdit* txtMatch = nullptr;
    QualityScrollBar* HScroll1 = nullptr;
    QCheckBox* chkDel = nullptr;
    QCheckBox* chkLog = nullptr;
    ResultList* List1 = nullptr;
    QPushButton* cmdMove = nullptr;
    QPushButton* cmdExit = nullptr;
    QLabel* lblQua = nullptr;
    QProgressBar* ProgressBar = nullptr;
};

} // namespace pellora
