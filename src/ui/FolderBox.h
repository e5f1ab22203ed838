#pragma once

#include <QLineEdit>
#include <QString>

class QDropEvent;
class QMimeData;

namespace pellora {

// A folder box of the window. Besides typing and pasting, a folder dragged
// from the file manager and dropped on it fills it with the folder's path,
// and a file with the path of the folder it is in. Plain text drops in as in
// any line edit.
class FolderBox : public QLineEdit {
public:
    explicit FolderBox(QWidget* parent);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Accepts a drag of a local file or folder, turns away any other drag of
    // links; false for a drag that carries no links.
    static bool answerLinkDrag(QDropEvent& event);
};

// The folder a drag stands for: its first link if that is a local folder, the
// folder of its first link if that is a local file, else empty text.
QString droppedFolder(const QMimeData& data);

} // namespace pellora
