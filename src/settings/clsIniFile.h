#pragma once

#include "platform/io/FileSystem.h"

#include <QString>
#include <filesystem>
#include <optional>
#include <span>
#include <utility>

namespace pellora {

// One value of a private-profile settings file at a time. Nothing is cached:
// every call reads or rewrites the file, and no handle stays open between calls.
class clsIniFile {
public:
    // Reads and writes the file in `fs`, which must outlive it.
    explicit clsIniFile(FileSystem& fs = FileSystem::forFrontEnds()) : fs_(fs) {}

    QString FileName() const;
    void FileName(const QString& vNewValue);

    // Saving never fails loudly; the result says whether the value reached the disk.
    bool PutIni(const QString& strSec, const QString& strKey, const QString& strValue);
    // Several values of one section, in one rewrite of the file that leaves
    // the bytes as many single calls in the same order would. A value that
    // cannot be stored is left out, as a single call would leave it; true
    // when all of them reached the disk.
    bool PutIni(const QString& strSec, std::span<const std::pair<QString, QString>> entries);
    QString GetIni(const QString& strSec, const QString& strKey, const QString& strDefault) const;

private:
    std::optional<QString> storedValue(const QString& section, const QString& key) const;

    FileSystem& fs_;
    QString fileName_;
};

} // namespace pellora
