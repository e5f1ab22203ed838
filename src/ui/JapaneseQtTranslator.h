#pragma once

#include <QTranslator>

namespace pellora {

// The texts Qt draws itself (the buttons of message boxes, the folder
// picker, the menus of text boxes and scroll bars) in Japanese, whatever the
// system's language: Qt's own Japanese translation, carried inside the
// program, and ours for the few texts it lacks.
class JapaneseQtTranslator : public QTranslator {
    Q_OBJECT

public:
    explicit JapaneseQtTranslator(QObject* parent = nullptr);

    // False when Qt's translation could not be read; ours still answers.
    bool loadedQtTranslation() const { return loaded_; }

    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }

private:
    QTranslator qt_;
    bool loaded_ = false;
};

} // namespace pellora
