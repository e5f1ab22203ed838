#pragma once

#include "ui/FolderChooser.h"

#include <QString>

namespace pellora::test {

// Answers every browse with `answer` (empty means Cancel) and remembers who asked.
class FakeFolderChooser : public FolderChooser {
public:
    explicit FakeFolderChooser(QString answer, int* calls = nullptr, QWidget** owner = nullptr)
        : answer_(std::move(answer)), calls_(calls), owner_(owner)
    {
    }

    QString choose(QWidget* owner) override
    {
        if (calls_ != nullptr)
            ++*calls_;
        if (owner_ != nullptr)
            *owner_ = owner;
        return answer_;
    }

private:
    QString answer_;
    int* calls_;
    QWidget** owner_;
};

} // namespace pellora::test
