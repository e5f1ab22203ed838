#include "settings/clsIniFile.h"

#include "platform/text/Cp932.h"
#include "platform/text/PathText.h"
#include "settings/PrivateProfile.h"
#include "settings/ProfileEncoding.h"
#include "settings/ProfileFile.h"

#include <algorithm>
#include <cerrno>
#include <initializer_list>

namespace pellora {

namespace {

// A read returns what fits a 255-byte buffer with its closing NUL.
constexpr size_t kReadableBytes = 254;
// A value is stored as at most this many characters.
constexpr qsizetype kStorableChars = 255;

std::string encodeFor(PrivateProfile::Encoding encoding, const QString& text)
{
    if (encoding == PrivateProfile::Encoding::Utf8)
        return text.toUtf8().toStdString();
    return cp932::encode(text);
}

QString decodeFrom(PrivateProfile::Encoding encoding, std::string_view bytes)
{
    if (encoding == PrivateProfile::Encoding::Utf8)
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return cp932::decode(bytes);
}

// What a read hands back: the text up to a NUL, and of a text longer than
// kReadableBytes in code page 932 only its first characters that fit, never
// half of a double-byte one. The text itself is cut, never its code page 932
// form, in which a character that code page lacks would come back as another.
QString fitForReading(QString text)
{
    if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
        text.truncate(nul);
    if (cp932::encode(text).size() <= kReadableBytes)
        return text;
    size_t bytes = 0;
    qsizetype fits = 0;
    while (fits < text.size()) {
        const qsizetype length = (text.at(fits).isHighSurrogate() && fits + 1 < text.size()) ? 2 : 1;
        bytes += cp932::encode(text.mid(fits, length)).size();
        if (bytes > kReadableBytes)
            break;
        fits += length;
    }
    text.truncate(fits);
    return text;
}

// Puts `profile` in an encoding that holds every one of `texts` exactly, or
// says there is none: code page 932 turns to UTF-8 only when it must.
bool encodingHoldsAll(PrivateProfile& profile, std::initializer_list<QString> texts)
{
    auto allFit = [&](bool (*fits)(const QString&)) { return std::all_of(texts.begin(), texts.end(), fits); };
    if (profile.encoding() == PrivateProfile::Encoding::Utf8)
        return allFit(profileEncoding::fitsUtf8);
    if (allFit(profileEncoding::fitsCp932))
        return true;
    auto utf8 = profileEncoding::toUtf8(profile.bytes());
    if (!utf8 || !allFit(profileEncoding::fitsUtf8))
        return false;
    profile = PrivateProfile(std::move(*utf8));
    return true;
}

// A file we turned to UTF-8 goes back to code page 932 once everything fits.
void backToCp932WhenEverythingFits(PrivateProfile& profile)
{
    if (profile.encoding() != PrivateProfile::Encoding::Utf8)
        return;
    if (auto cp932 = profileEncoding::backToCp932(profile.bytes()))
        profile = PrivateProfile(std::move(*cp932));
}

// What a write stores: the text before any line break (which would split the
// entry and let a value write lines of its own), at most kStorableChars
// characters of it, without leading and trailing spaces.
QString fitForStoring(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n' || c == u'\0') {
            text.truncate(i);
            break;
        }
    }
    if (text.size() > kStorableChars)
        text.truncate(text.at(kStorableChars - 1).isHighSurrogate() ? kStorableChars - 1 : kStorableChars);
    qsizetype begin = 0;
    qsizetype end = text.size();
    // Tabs too: the reader drops them around a value, so a kept tab would
    // make each save of an unchanged value differ from the last.
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(text.at(begin)))
        ++begin;
    while (end > begin && blank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// Stores one value in `profile`, or leaves it exactly as it was. A UTF-16
// file is never turned to code page 932, even one that opens with our note.
bool store(PrivateProfile& profile, const QString& section, const QString& key, const QString& text, bool mayTurnBack)
{
    PrivateProfile edited = profile;
    const QString value = fitForStoring(text);
    // Never a substitute character: a folder stored as another name is another folder.
    if (!encodingHoldsAll(edited, {section, key, value}))
        return false;
    const auto encoding = edited.encoding();
    if (!edited.setValue(encodeFor(encoding, section), encodeFor(encoding, key), encodeFor(encoding, value)))
        return false;
    if (mayTurnBack)
        backToCp932WhenEverythingFits(edited);
    profile = std::move(edited);
    return true;
}

} // namespace

QString clsIniFile::FileName() const { return fileName_; }

void clsIniFile::FileName(const QString& vNewValue) { fileName_ = vNewValue; }

bool clsIniFile::PutIni(const QString& strSec, const QString& strKey, const QString& strValue)
{
    const std::pair<QString, QString> entry{strKey, strValue};
    return PutIni(strSec, std::span(&entry, 1));
}

bool clsIniFile::PutIni(const QString& strSec, std::span<const std::pair<QString, QString>> entries)
{
    if (fileName_.isEmpty())
        return false;
    const std::filesystem::path path = pathText::toPath(fileName_);
    auto contents = profileFile::read(fs_, path);
    // A file that exists but cannot be read must not be replaced by one that
    // holds only these values.
    if (!contents && contents.error().systemError != ENOENT)
        return false;
    const bool existed = contents.has_value();
    if (existed && profileFile::probeWritable(fs_, path))
        return false;

    const auto original = profileEncoding::editable(existed ? std::move(contents->bytes) : std::string());
    PrivateProfile profile(original.bytes);
    bool allStored = true;
    // Each value is tried even after one that cannot be stored: a value that can be, is.
    for (const auto& [key, value] : entries)
        allStored = store(profile, strSec, key, value, !original.utf16) && allStored;
    if (profile.bytes() == original.bytes)
        return allStored; // already on disk, or nothing to write
    const auto bytes = profileEncoding::savedBytes(original, profile.bytes());
    if (!bytes)
        return false;
    const auto kept = existed ? std::optional(contents->attributes) : std::nullopt;
    return !profileFile::replace(fs_, path, *bytes, kept) && allStored;
}

QString clsIniFile::GetIni(const QString& strSec, const QString& strKey, const QString& strDefault) const
{
    return fitForReading(storedValue(strSec, strKey).value_or(strDefault));
}

std::optional<QString> clsIniFile::storedValue(const QString& section, const QString& key) const
{
    if (fileName_.isEmpty())
        return std::nullopt;
    auto contents = profileFile::read(fs_, pathText::toPath(fileName_));
    if (!contents)
        return std::nullopt;
    const PrivateProfile profile(profileEncoding::editable(std::move(contents->bytes)).bytes);
    const auto encoding = profile.encoding();
    const auto value = profile.value(encodeFor(encoding, section), encodeFor(encoding, key));
    if (!value)
        return std::nullopt;
    return decodeFrom(encoding, *value);
}

} // namespace pellora
