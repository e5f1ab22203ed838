#include "PickerInFreshProcess.h"
#include "WindowTestKit.h"

#include "ui/FolderDialog.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace pellora {

namespace test {

// Prints the view and the folder each dialog opened with; chooses
// `folderToChoose` in the first and cancels the second.
int openPickerTwice(const char* folderToChoose)
{
    for (int i = 0; i < 2; ++i) {
        QTimer::singleShot(0, [i, folderToChoose] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
            std::printf("%s %s\n", dialog->viewMode() == QFileDialog::Detail ? "Detail" : "List",
                        dialog->directory().absolutePath().toUtf8().constData());
            std::fflush(stdout);
            if (i == 1) {
                dialog->reject();
                return;
            }
            dialog->setDirectory(QString::fromUtf8(folderToChoose));
            static_cast<QDialog*>(dialog)->accept();
        });
        FolderDialog::choose(nullptr);
    }
    return 0;
}

} // namespace test

namespace {

using test::control;

TEST(FolderDialogTest, CentresOnTheScreenRoundingHalvesToEven)
{
    EXPECT_EQ(centredOnScreen(QSizeF(1024, 768), QSize(320, 340)), QPoint(352, 214));
    EXPECT_EQ(centredOnScreen(QSizeF(1024, 768), QSize(315, 340)), QPoint(354, 214)); // 354.5
    EXPECT_EQ(centredOnScreen(QSizeF(1024, 768), QSize(317, 339)), QPoint(354, 214)); // 353.5, 214.5
    // A dialog larger than the screen goes above and left of it, halves still to even.
    EXPECT_EQ(centredOnScreen(QSizeF(800, 600), QSize(805, 603)), QPoint(-2, -2));
    // A screen size that is not a whole number of pixels.
    EXPECT_EQ(centredOnScreen(QSizeF(1023.5, 768), QSize(320, 340)), QPoint(352, 214)); // 351.75
}

TEST(FolderBoxTextTest, GivesTheFolderWithoutTrailingSeparatorOrNothing)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir / "Shots");
    test::writeBytes(dir / "file.tga", {1});
    const QString folder = test::qtext(dir / "Shots");

    EXPECT_EQ(folderBoxText(folder + QStringLiteral("/")), folder);
    EXPECT_EQ(folderBoxText(folder), folder);
    EXPECT_EQ(folderBoxText(QStringLiteral("/")), QStringLiteral("/")) << "a root keeps its separator";
    EXPECT_EQ(folderBoxText(QString()), QString());
    EXPECT_EQ(folderBoxText(test::qtext(dir / "missing")), QString());
    EXPECT_EQ(folderBoxText(test::qtext(dir / "file.tga")), QString());
    EXPECT_EQ(folderBoxText(QStringLiteral("Shots")), QString()) << "relative: not a place the user chose";
}

class BrowseTest : public test::WindowTest {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(chosen.path() / "Shots");
        window = openWindow();
        inBox = control<QLineEdit>(*window, "inputFolderBox");
        outBox = control<QLineEdit>(*window, "outputFolderBox");
        inBox->setText(QStringLiteral("/before/in"));
        outBox->setText(QStringLiteral("/before/out"));
    }

    void answerWith(const QString& answer)
    {
        // Answers every browse with `answer` (empty means Cancel) and remembers who asked.
    window->setFolderChooser([this, answer](QWidget* asking) {
        ++calls;
        owner = asking;
        return answer;
    });
    }

    QPushButton* inputBrowseButton() { return control<QPushButton>(*window, "inputBrowseButton"); }
    QPushButton* outputBrowseButton() { return control<QPushButton>(*window, "outputBrowseButton"); }

    test::TempDir chosen;
    std::unique_ptr<MainWindow> window;
    QLineEdit* inBox = nullptr;
    QLineEdit* outBox = nullptr;
    int calls = 0;
    QWidget* owner = nullptr;
};

TEST_F(BrowseTest, ChosenFolderFillsTheBoxOfItsButtonOnly)
{
    const QString folder = test::qtext(chosen / "Shots");
    answerWith(folder + QStringLiteral("/"));

    inputBrowseButton()->click();
    EXPECT_EQ(inBox->text(), folder);
    EXPECT_EQ(outBox->text(), QStringLiteral("/before/out"));
    EXPECT_EQ(owner, window.get());

    inBox->setText(QStringLiteral("/before/in"));
    outputBrowseButton()->click();
    EXPECT_EQ(inBox->text(), QStringLiteral("/before/in"));
    EXPECT_EQ(outBox->text(), folder);
    EXPECT_EQ(calls, 2);
    EXPECT_NE(window->outputFolder(), folder + QStringLiteral("/")) << "the next run, not the browse, takes the folder";
}

TEST_F(BrowseTest, CancelOrSomethingThatIsNoFolderLeavesBothBoxes)
{
    for (const QString& answer : {QString(), test::qtext(chosen / "gone")}) {
        answerWith(answer);
        inputBrowseButton()->click();
        outputBrowseButton()->click();
        EXPECT_EQ(inBox->text(), QStringLiteral("/before/in"));
        EXPECT_EQ(outBox->text(), QStringLiteral("/before/out"));
    }
    EXPECT_EQ(calls, 4);
}

TEST_F(BrowseTest, AccessKeysOpenThePickerForTheirBox)
{
    const QString folder = test::qtext(chosen / "Shots");
    answerWith(folder);
    activate(*window);
    pressAccessKey(*window, Qt::Key_O, outputBrowseButton());
    EXPECT_EQ(outBox->text(), folder);
    EXPECT_EQ(inBox->text(), QStringLiteral("/before/in"));
    pressAccessKey(*window, Qt::Key_I, inputBrowseButton());
    EXPECT_EQ(inBox->text(), folder);
}

// Drags `data` onto `box` as a file manager does and drops it there where
// the box took the drag; whether it took it.
bool dragAndDrop(QLineEdit& box, const QMimeData& data, Qt::DropActions offered)
{
    const QPointF middle = QRectF(box.rect()).center();
    QDragEnterEvent enter(middle.toPoint(), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(middle, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&box, &drop);
    EXPECT_NE(drop.dropAction(), Qt::MoveAction) << "a source told to move would delete its file";
    return drop.isAccepted();
}

TEST_F(BrowseTest, AFolderOrFileDroppedFillsTheBoxWithItsFolder)
{
    const QString folder = test::qtext(chosen / "Shots");
    test::writeBytes(chosen / "Shots" / "shot1.tga", {1});
    std::filesystem::create_directory(chosen / "Shots" / "deeper");
    const auto links = [](const QList<QUrl>& urls) {
        auto data = std::make_shared<QMimeData>();
        data->setUrls(urls);
        return data;
    };
    const Qt::DropActions fromFileManager = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    struct Row {
        const char* what;
        std::shared_ptr<QMimeData> data;
        Qt::DropActions offered;
        bool taken;
        QString inText; // what the input box then shows
    };
    const Row rows[] = {
        {"a folder", links({QUrl::fromLocalFile(folder)}), fromFileManager, true, folder},
        {"a folder with a trailing slash", links({QUrl::fromLocalFile(folder + QStringLiteral("/"))}),
         fromFileManager, true, folder},
        {"a file", links({QUrl::fromLocalFile(folder + QStringLiteral("/shot1.tga"))}), fromFileManager, true, folder},
        {"the first of several", links({QUrl::fromLocalFile(folder + QStringLiteral("/deeper")),
                                        QUrl::fromLocalFile(folder)}),
         fromFileManager, true, folder + QStringLiteral("/deeper")},
        {"a copy only", links({QUrl::fromLocalFile(folder)}), Qt::CopyAction, true, folder},
        {"a move only", links({QUrl::fromLocalFile(folder)}), Qt::MoveAction, false, QStringLiteral("/before/in")},
        {"a web link", links({QUrl(QStringLiteral("https://example.org/shots/"))}), fromFileManager, false,
         QStringLiteral("/before/in")},
        {"a file that is gone", links({QUrl::fromLocalFile(folder + QStringLiteral("/gone.tga"))}),
         fromFileManager, false, QStringLiteral("/before/in")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        inBox->setText(QStringLiteral("/before/in"));
        EXPECT_EQ(dragAndDrop(*inBox, *row.data, row.offered), row.taken);
        EXPECT_EQ(inBox->text(), row.inText);
        EXPECT_EQ(outBox->text(), QStringLiteral("/before/out"));
    }

    // The output box takes one too, and Undo brings back what it held.
    EXPECT_TRUE(dragAndDrop(*outBox, *links({QUrl::fromLocalFile(folder)}), fromFileManager));
    EXPECT_EQ(outBox->text(), folder);
    outBox->undo();
    EXPECT_EQ(outBox->text(), QStringLiteral("/before/out"));
    EXPECT_NE(window->outputFolder(), folder + QStringLiteral("/")) << "the next run, not the drop, takes the folder";
}

TEST_F(BrowseTest, DroppedPlainTextGoesInAsTyped)
{
    QMimeData text;
    text.setText(QStringLiteral("shots"));
    inBox->setText(QString());
    EXPECT_TRUE(dragAndDrop(*inBox, text, Qt::CopyAction));
    EXPECT_EQ(inBox->text(), QStringLiteral("shots"));
}

// What the real dialog looked like while it was open.
struct DialogSeen {
    QString title;
    QString folder;
    bool foldersOnly = false;
    bool ownDialog = false;
    bool modal = false;
    QPoint position;
    QPoint centred;
};

// Inspects the open folder dialog, then leaves it through `leave`.
void inspectThen(DialogSeen& seen, std::function<void(QFileDialog&)> leave)
{
    test::onNextModal<QFileDialog>([&seen, leave](QFileDialog& dialog) {
        seen.title = dialog.windowTitle();
        seen.folder = dialog.directory().absolutePath();
        seen.foldersOnly = dialog.fileMode() == QFileDialog::Directory && dialog.testOption(QFileDialog::ShowDirsOnly);
        seen.ownDialog = dialog.testOption(QFileDialog::DontUseNativeDialog);
        seen.modal = dialog.isModal();
        seen.position = dialog.frameGeometry().topLeft();
        const QRect screen = dialog.screen()->geometry();
        seen.centred = screen.topLeft()
                       + centredOnScreen(QSizeF(screen.size()), dialog.frameGeometry().size());
        leave(dialog);
    });
}

TEST_F(BrowseTest, RealDialogOpensCentredAtTheRootEveryTime)
{
    const QString folder = test::qtext(chosen / "Shots");

    DialogSeen first;
    inspectThen(first, [&](QFileDialog& dialog) {
        dialog.setDirectory(folder);
        static_cast<QDialog&>(dialog).accept(); // public there, protected in QFileDialog
    });
    EXPECT_EQ(folderBoxText(FolderDialog::choose(window.get())), folder);
    EXPECT_EQ(first.title, QStringLiteral("フォルダの選択"));
    EXPECT_EQ(first.folder, QStringLiteral("/"));
    EXPECT_TRUE(first.foldersOnly);
    EXPECT_TRUE(first.ownDialog);
    EXPECT_TRUE(first.modal);
    EXPECT_EQ(first.position, first.centred);

    DialogSeen second;
    inspectThen(second, [](QFileDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(FolderDialog::choose(window.get()), QString());
    EXPECT_EQ(second.folder, QStringLiteral("/")) << "the second dialog must not start at the last choice";
}

// The game's folder lies under ~/.wine, which a user must be able to reach.
TEST_F(BrowseTest, RealDialogShowsHiddenFoldersAndWholeDates)
{
    std::filesystem::create_directory(chosen / ".wine");
    const QDateTime modified(QDate(2026, 1, 15), QTime(15, 48));
    const timespec times[2] = {{static_cast<time_t>(modified.toSecsSinceEpoch()), 0},
                               {static_cast<time_t>(modified.toSecsSinceEpoch()), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (chosen / "Shots").c_str(), times, 0), 0);
    bool sawHidden = false;
    QString dateText;
    int dateWidthNeeded = 0, dateWidthShown = 0, dateEnd = 0, viewWidth = 0;
    // Whatever it finds, it closes the dialog, or the test would wait for ever.
    auto inspect = [&](QFileDialog& dialog) {
        dialog.setDirectory(test::qtext(chosen.path()));
        auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(details, nullptr);
        auto* files = qobject_cast<QFileSystemModel*>(details->model());
        ASSERT_NE(files, nullptr);
        const QModelIndex folder = files->index(test::qtext(chosen.path()));
        sawHidden = QTest::qWaitFor([&] { return files->rowCount(folder) == 2; }, 3000)
                    && files->index(test::qtext(chosen / ".wine")).isValid();
        const QModelIndex shots = files->index(test::qtext(chosen / "Shots"), 3);
        QStyleOptionViewItem option;
        option.initFrom(details);
        dateWidthNeeded = details->itemDelegateForIndex(shots)->sizeHint(option, shots).width();
        // The column widens to its contents as the event loop lets it.
        (void)QTest::qWaitFor([&] { return details->header()->sectionSize(3) >= dateWidthNeeded; }, 3000);
        dateWidthShown = details->header()->sectionSize(3);
        dateEnd = details->header()->sectionViewportPosition(3) + dateWidthShown;
        viewWidth = details->viewport()->width();
        dateText = folderDateText(files->lastModified(shots));
    };
    test::onNextModal<QFileDialog>([&](QFileDialog& dialog) {
        inspect(dialog);
        dialog.reject();
    });
    FolderDialog::choose(window.get());

    EXPECT_TRUE(sawHidden) << "a folder whose name starts with a dot must be listed";
    EXPECT_EQ(dateText, QStringLiteral("2026/01/15 15:48"));
    EXPECT_GT(dateWidthNeeded, 0);
    EXPECT_GE(dateWidthShown, dateWidthNeeded) << "the date column cuts the date short";
    EXPECT_LE(dateEnd, viewWidth) << "the date column runs out of view";
}

// Qt's dialog would read and write its history and view in a settings file
// every Qt program of the user shares; ours keeps nothing outside its own
// settings, so it must neither take from that file nor write anywhere.
TEST(FolderPickerStateTest, ThePickerReadsAndWritesNoStateOutsideTheProgram)
{
    test::TempDir root;
    const auto home = root / "home";
    const auto config = root / "config";
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(config);
    std::filesystem::create_directories(root / "chosen");
    const std::string otherProgramsState = "[FileDialog]\nhistory=file:///etc\nlastVisited=file:///etc\n"
                                           "qtVersion=6.4.2\nviewMode=List\n";
    test::writeBytes(config / "QtProject.conf",
                     std::vector<unsigned char>(otherProgramsState.begin(), otherProgramsState.end()));

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), test::qtext(home));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), test::qtext(config));
    // Font caches may go elsewhere; they are not the picker's.
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), test::qtext(root / "cache"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(test::kOpenPickerTwice), test::qtext(root / "chosen")});
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();

    EXPECT_EQ(QString::fromUtf8(child.readAllStandardOutput()), QStringLiteral("Detail /\nDetail /\n"))
        << "each dialog opens afresh, not as another program left it";
    EXPECT_TRUE(test::listNames(home).empty());
    EXPECT_EQ(test::listNames(config), std::vector<std::string>{"QtProject.conf"});
    EXPECT_EQ(test::readText(config / "QtProject.conf"), otherProgramsState);
}

} // namespace
} // namespace pellora
