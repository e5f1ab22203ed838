#include "settings/IniFile.h"

#include "platform/text/Utf8.h"
#include "settings/PrivateProfile.h"
#include "settings/ProfileEncoding.h"
#include "settings/ProfileFile.h"

#include <algorithm>
#include <cerrno>
#include <initializer_list>

namespace pellora {

namespace {

// A value is stored as at most this many characters, counted as the Windows
// tool counts them: in UTF-16 code units.
constexpr size_t kStorableUnits = 255;

// The text before any line break or NUL (which would split the entry and let
// a value write lines of its own), at most kStorableUnits of it, never half
// of a pair, without leading and trailing blanks.
std::string fitForStoring(std::string_view text)
{
    text = text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3)));
    size_t units = 0;
    size_t fits = 0;
    while (fits < text.size()) {
        const utf8::Sequence sequence = utf8::first(text.substr(fits));
        units += sequence.wellFormed ? utf8::utf16Length(sequence.codePoint) : 1;
        if (units > kStorableUnits)
            break;
        fits += sequence.length;
    }
    text = text.substr(0, fits);
    // Tabs too: the reader drops them around a value, so a kept tab would
    // make each save of an unchanged value differ from the last.
    const size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return {};
    return std::string(text.substr(begin, text.find_last_not_of(" \t") + 1 - begin));
}

Failure cannotHold() { return Failure::of(FailureCause::CannotWrite, EILSEQ); }

// Puts `profile` in an encoding that holds every one of `texts` exactly, or
// says there is none: code page 932 turns to UTF-8 only when it must.
Status encodingHoldsAll(PrivateProfile& profile, std::initializer_list<std::string_view> texts)
{
    auto allFit = [&](bool (*fits)(std::string_view)) { return std::all_of(texts.begin(), texts.end(), fits); };
    if (profile.encoding() == PrivateProfile::Encoding::Utf8)
        return allFit(profileEncoding::fitsUtf8) ? ok() : unexpected(cannotHold());
    if (allFit(profileEncoding::fitsCp932))
        return ok();
    auto utf8 = profileEncoding::toUtf8(profile.bytes());
    if (!utf8 || !allFit(profileEncoding::fitsUtf8))
        return unexpected(cannotHold());
    profile = PrivateProfile(std::move(*utf8));
    return ok();
}

// A file we turned to UTF-8 goes back to code page 932 once everything fits.
void backToCp932WhenEverythingFits(PrivateProfile& profile)
{
    if (profile.encoding() != PrivateProfile::Encoding::Utf8)
        return;
    if (auto cp932 = profileEncoding::backToCp932(profile.bytes()))
        profile = PrivateProfile(std::move(*cp932));
}

// Stores one value in `profile`, or leaves it exactly as it was. A UTF-16
// file is never turned to code page 932, even one that opens with our note.
Status store(PrivateProfile& profile, std::string_view section, const IniFile::Entry& entry, bool mayTurnBack)
{
    PrivateProfile edited = profile;
    const std::string value = fitForStoring(entry.value);
    // Never a substitute character: a folder stored as another name is another folder.
    if (auto held = encodingHoldsAll(edited, {section, entry.key, value}); !held)
        return held;
    const auto encoding = edited.encoding();
    const auto sectionBytes = profileEncoding::bytesOf(encoding, section);
    const auto keyBytes = profileEncoding::bytesOf(encoding, entry.key);
    const auto valueBytes = profileEncoding::bytesOf(encoding, value);
    if (!sectionBytes || !keyBytes || !valueBytes)
        return unexpected(cannotHold());
    if (Status set = edited.setValue(*sectionBytes, *keyBytes, *valueBytes); !set)
        return set; // a name that would not read back
    if (mayTurnBack)
        backToCp932WhenEverythingFits(edited);
    profile = std::move(edited);
    return ok();
}

} // namespace

Expected<IniContents, Failure> IniFile::read() const
{
    if (path_.empty())
        return unexpected(Failure::of(FailureCause::CannotRead, ENOENT));
    auto contents = profileFile::read(fs_, path_);
    if (!contents)
        return unexpected(contents.error());
    return IniContents(std::move(contents->bytes));
}

Status IniFile::write(std::string_view section, std::span<const Entry> entries) const
{
    if (path_.empty())
        return unexpected(Failure::of(FailureCause::CannotCreate, ENOENT));
    auto contents = profileFile::read(fs_, path_);
    // A file that exists but cannot be read must not be replaced by one that
    // holds only these values.
    if (!contents && contents.error().systemError != ENOENT)
        return unexpected(contents.error());
    const bool existed = contents.has_value();
    if (existed) {
        if (auto writable = profileFile::probeWritable(fs_, path_); !writable)
            return writable;
    }

    const auto original = profileEncoding::editable(existed ? std::move(contents->bytes) : std::string());
    PrivateProfile profile(original.bytes);
    Status allStored = ok();
    for (const Entry& entry : entries) {
        if (auto stored = store(profile, section, entry, !original.utf16); !stored && allStored)
            allStored = stored;
    }
    if (profile.bytes() == original.bytes)
        return allStored; // already on disk, or nothing to write
    const auto bytes = profileEncoding::savedBytes(original, profile.bytes());
    if (!bytes)
        return unexpected(cannotHold());
    const auto kept = existed ? std::optional(contents->attributes) : std::nullopt;
    if (auto replaced = profileFile::replace(fs_, path_, *bytes, kept); !replaced)
        return replaced;
    return allStored;
}

} // namespace pellora
