#include "WindowTestKit.h"

#include "ui/FolderDialog.h"
#include "ui/JapaneseQtTranslator.h"
#include "ui/Prompts.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace pellora {
namespace {

using test::control;

// Sits on top of the translators and notes every text Qt looks up, answering
// none of them, so the translators below still do.
class LookUpRecorder : public QTranslator {
public:
    struct LookUp {
        QByteArray context, source, disambiguation;
        int n;
    };

    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override
    {
        seen.append({context, source, disambiguation, n});
        return {};
    }

    mutable QList<LookUp> seen;
};

// The texts of the visible buttons of `widget`, by their text.
QStringList buttonTexts(const QWidget& widget)
{
    QStringList texts;
    for (const auto* button : widget.findChildren<QAbstractButton*>())
        if (button->isVisibleTo(&widget) && !button->text().isEmpty())
            texts << button->text();
    return texts;
}

QStringList actionTexts(const QMenu& menu)
{
    QStringList texts;
    for (const auto* action : menu.actions())
        if (!action->isSeparator())
            texts << action->text().section(u'\t', 0, 0);
    return texts;
}

// Notes the texts of the next menu that pops up, then closes it.
void noteMenuThenClose(QStringList& texts)
{
    QTimer::singleShot(0, [&texts] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            ADD_FAILURE() << "no menu opened";
            return;
        }
        texts = actionTexts(*menu);
        menu->close();
    });
}

void noteBoxThenPress(QStringList& buttons, QMessageBox::StandardButton answer)
{
    test::onNextModal<QMessageBox>([&buttons, answer](QMessageBox& box) {
        buttons = buttonTexts(box);
        box.button(answer)->click();
    });
}

struct PickerTexts {
    QStringList labels, buttons, columns, places, menu;
};

void notePickerThenCancel(PickerTexts& seen)
{
    test::onNextModal<QFileDialog>([&seen](QFileDialog& dialog) {
        auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        // Let the folder's entries arrive, so their types and dates are asked for too.
        QTest::qWait(300);
        for (const auto* label : dialog.findChildren<QLabel*>())
            if (label->isVisibleTo(&dialog) && !label->text().isEmpty())
                seen.labels << label->text();
        seen.buttons = buttonTexts(dialog);
        for (int column = 0; details != nullptr && column < details->model()->columnCount(); ++column)
            seen.columns << details->model()->headerData(column, Qt::Horizontal).toString();
        if (auto* sidebar = dialog.findChild<QAbstractItemView*>(QStringLiteral("sidebar")))
            for (int row = 0; row < sidebar->model()->rowCount(); ++row)
                seen.places << sidebar->model()->index(row, 0).data().toString();
        if (details != nullptr) {
            noteMenuThenClose(seen.menu);
            QMetaObject::invokeMethod(details, "customContextMenuRequested", Q_ARG(QPoint, QPoint(5, 5)));
        }
        dialog.reject();
    });
}

class JapaneseTextsTest : public test::WindowTest {
protected:
    void SetUp() override { QCoreApplication::installTranslator(&recorder); }
    void TearDown() override
    {
        QCoreApplication::removeTranslator(&recorder);
        test::WindowTest::TearDown();
    }

    LookUpRecorder recorder;
};

TEST_F(JapaneseTextsTest, QtsOwnButtonsMenusAndPickerAreJapanese)
{
    const Prompts prompts = Prompts::messageBoxes();
    QStringList question, error;
    noteBoxThenPress(question, QMessageBox::No);
    prompts.askYesNo(nullptr, QStringLiteral("作成しますか？"));
    noteBoxThenPress(error, QMessageBox::Ok);
    prompts.critical(nullptr, QStringLiteral("コピー元フォルダが無効です。"));
    EXPECT_EQ(question, (QStringList{QStringLiteral("はい(&Y)"), QStringLiteral("いいえ(&N)")}));
    // A Japanese desktop labels this button in Latin letters too.
    EXPECT_EQ(error, QStringList{QStringLiteral("OK")});

    auto window = openWindow();
    activate(*window);
    std::unique_ptr<QMenu> boxMenu(control<QLineEdit>(*window, "inputFolderBox")->createStandardContextMenu());
    EXPECT_EQ(actionTexts(*boxMenu), (QStringList{QStringLiteral("元に戻す(&U)"), QStringLiteral("やり直す(&R)"),
                                                  QStringLiteral("切り取り(&T)"), QStringLiteral("コピー(&C)"),
                                                  QStringLiteral("貼り付け(&P)"), QStringLiteral("削除"),
                                                  QStringLiteral("すべてを選択")}));

    QStringList scrollMenu;
    auto* scroll = control<QScrollBar>(*window, "qualityBar");
    noteMenuThenClose(scrollMenu);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), scroll->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(scroll, &click);
    EXPECT_EQ(scrollMenu.value(0), QStringLiteral("ここにスクロール"));
    EXPECT_EQ(scrollMenu.value(1), QStringLiteral("左端にスクロール"));

    PickerTexts picker;
    notePickerThenCancel(picker);
    FolderDialog::choose(window.get());
    EXPECT_EQ(picker.labels, (QStringList{QStringLiteral("アドレス:"), QStringLiteral("ディレクトリ:"),
                                          QStringLiteral("ファイルの種類:")}));
    EXPECT_EQ(picker.buttons, (QStringList{QStringLiteral("選択(&C)"), QStringLiteral("キャンセル")}));
    EXPECT_EQ(picker.columns, (QStringList{QStringLiteral("名前"), QStringLiteral("サイズ"), QStringLiteral("タイプ"),
                                           QStringLiteral("更新日")}));
    EXPECT_EQ(picker.places.value(0), QStringLiteral("コンピュータ"));
    EXPECT_TRUE(picker.menu.contains(QStringLiteral("隠しファイルの表示(&H)"))) << picker.menu.join(u',').toStdString();

    // And nothing Qt looked up on the way went without a Japanese answer.
    const JapaneseQtTranslator japanese;
    QStringList untranslated;
    for (const auto& lookUp : recorder.seen) {
        // Names of keys, looked up by the thousand when Qt builds its table
        // of them; no key shown here needs one.
        if (lookUp.context == "QShortcut")
            continue;
        if (japanese.translate(lookUp.context, lookUp.source, lookUp.disambiguation, lookUp.n).isEmpty())
            untranslated << QString::fromUtf8(lookUp.context + " / " + lookUp.source);
    }
    untranslated.removeDuplicates();
    EXPECT_TRUE(untranslated.isEmpty()) << untranslated.join(u'\n').toStdString();
    EXPECT_TRUE(japanese.loadedQtTranslation());
}

} // namespace
} // namespace pellora
