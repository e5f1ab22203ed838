#pragma once

#include <QListWidget>

namespace pellora {

// The list a run reports in. It shows its lines at every moment of a run,
// keeps the newest in view unless the user has scrolled away from the end,
// and shows where the keyboard focus is even when it holds no current line.
class ResultList : public QListWidget {
    Q_OBJECT

public:
    explicit ResultList(QWidget* parent = nullptr);

    // Adds `line` at the end; a non-empty `detail` is its tool tip.
    void appendLine(const QString& line, const QString& detail);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool showsTheEnd() const;
    void drawFocusWithoutCurrentLine();
};

} // namespace pellora
