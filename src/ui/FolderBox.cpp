#include "ui/FolderBox.h"

#include "ui/FolderDialog.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace pellora {

FolderBox::FolderBox(QWidget* parent) : QLineEdit(parent)
{
}

QString droppedFolder(const QMimeData& data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return {};
    const QFileInfo dropped(urls.front().toLocalFile());
    if (dropped.isDir())
        return folderBoxText(dropped.absoluteFilePath());
    if (dropped.exists())
        return folderBoxText(dropped.absolutePath());
    return {};
}

bool FolderBox::answerLinkDrag(QDropEvent& event)
{
    if (!event.mimeData()->hasUrls())
        return false;
    // Only the path is taken. A drag answered with "move" tells a source
    // such as another program to delete its file, and the user's screenshot
    // with it, so the drop takes a link or a copy or nothing.
    const Qt::DropActions offered = event.possibleActions();
    const Qt::DropAction action = offered.testFlag(Qt::LinkAction) ? Qt::LinkAction
                                  : offered.testFlag(Qt::CopyAction) ? Qt::CopyAction
                                                                      : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction || droppedFolder(*event.mimeData()).isEmpty()) {
        // A web link or a vanished file is no folder; its text is not wanted either.
        event.ignore();
        return true;
    }
    event.setDropAction(action);
    event.accept();
    return true;
}

void FolderBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (!answerLinkDrag(*event))
        QLineEdit::dragEnterEvent(event);
}

void FolderBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (!answerLinkDrag(*event))
        QLineEdit::dragMoveEvent(event);
}

void FolderBox::dropEvent(QDropEvent* event)
{
    if (!answerLinkDrag(*event)) {
        QLineEdit::dropEvent(event);
        return;
    }
    if (!event->isAccepted())
        return;
    // The whole text gives way, and Undo brings it back.
    selectAll();
    insert(droppedFolder(*event->mimeData()));
}

} // namespace pellora
