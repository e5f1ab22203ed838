#include "ui/Prompts.h"

#include "settings/Settings.h"

#include <QMessageBox>

namespace pellora {

namespace {

QString caption()
{
    return QString::fromLatin1(Settings::kApplicationTitle);
}

void criticalBox(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, caption(), text, QMessageBox::Ok, owner);
    box.exec();
}

bool yesNoBox(QWidget* owner, const QString& text)
{
    QMessageBox box(QMessageBox::Question, caption(), text, QMessageBox::Yes | QMessageBox::No, owner);
    // Enter answers Yes, as the first button of such a box does on Windows;
    // Esc and the close box count as No.
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

Prompts Prompts::messageBoxes()
{
    return Prompts{criticalBox, yesNoBox};
}

} // namespace pellora
