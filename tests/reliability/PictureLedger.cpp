#include "PictureLedger.h"

#include "platform/io/NameReservation.h"
#include "support/JpegProbe.h"
#include "support/TempDir.h"

#include <algorithm>

namespace pellora::test {

namespace {

bool hasExtension(const std::filesystem::path& path, const char* extension)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == extension;
}

// A name held by a run that was killed before its picture took it: the
// marker, or a beginning of it (nothing at all when the kill fell between
// creating the file and writing it).
bool isNameReservation(const std::filesystem::path& path)
{
    return NameReservation::kMarker.starts_with(readText(path));
}

} // namespace

TgaPicture distinctPicture(int width, int height, int index)
{
    TgaPicture picture = samplePicture(width, height, index);
    const int block = std::max(1, width / 8);
    const int rows = std::min(height, block);
    for (int bit = 0; bit < 8; ++bit) {
        const std::uint8_t level = (index >> bit) & 1 ? 255 : 0;
        for (int y = 0; y < rows; ++y)
            for (int x = bit * block; x < std::min(width, (bit + 1) * block); ++x)
                picture.at(x, y) = Bgra{level, level, level, 255};
    }
    return picture;
}

void PictureLedger::addSource(const std::filesystem::path& path, const TgaPicture& picture)
{
    writeGameTga(path, picture);
    entries_.push_back(Entry{path.filename().string(), readBytes(path), picture});
}

void PictureLedger::expect(const std::string& name, const std::vector<unsigned char>& tgaBytes,
                           const TgaPicture& picture)
{
    entries_.push_back(Entry{name, tgaBytes, picture});
}

void PictureLedger::forget(const std::string& name)
{
    std::erase_if(entries_, [&](const Entry& entry) { return entry.name == name; });
}

LedgerAudit PictureLedger::audit(const std::vector<std::filesystem::path>& folders) const
{
    LedgerAudit audit;
    audit.pictures = static_cast<int>(entries_.size());
    std::vector<bool> asTga(entries_.size(), false);
    std::vector<int> asJpeg(entries_.size(), 0);
    for (const auto& folder : folders) {
        std::error_code error;
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            if (!it->is_regular_file() || it->is_symlink())
                continue;
            const auto& path = it->path();
            if (hasExtension(path, ".tga")) {
                const auto bytes = readBytes(path);
                for (size_t i = 0; i < entries_.size(); ++i)
                    if (entries_[i].tgaBytes == bytes)
                        asTga[i] = true;
            } else if (hasExtension(path, ".jpg")) {
                if (isNameReservation(path)) {
                    ++audit.reservations;
                    continue;
                }
                const auto decoded = decodeJpegFile(path);
                if (!decoded) {
                    ++audit.truncated;
                    audit.problems.push_back("does not decode: " + path.filename().string());
                    continue;
                }
                const size_t best = bestMatch(*decoded);
                if (best == entries_.size()) {
                    ++audit.strangers;
                    audit.problems.push_back("matches no source: " + path.filename().string());
                    continue;
                }
                ++asJpeg[best];
            }
        }
    }
    for (size_t i = 0; i < entries_.size(); ++i) {
        audit.jpegsOf[entries_[i].name] = asJpeg[i];
        if (asTga[i] || asJpeg[i] > 0)
            ++audit.accounted;
        else {
            ++audit.lost;
            audit.problems.push_back("lost: " + entries_[i].name);
        }
        if (asJpeg[i] > 1)
            ++audit.doubled;
    }
    return audit;
}

size_t PictureLedger::bestMatch(const TgaPicture& decoded) const
{
    size_t best = entries_.size();
    double bestPsnr = 0;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const double value = psnr(entries_[i].picture, decoded);
        if (value > bestPsnr) {
            bestPsnr = value;
            best = i;
        }
    }
    return bestPsnr < minimumPsnr_ ? entries_.size() : best;
}

std::string PictureLedger::shownBy(const std::filesystem::path& jpeg) const
{
    const auto decoded = std::filesystem::is_regular_file(jpeg) ? decodeJpegFile(jpeg) : std::nullopt;
    if (!decoded)
        return {};
    const size_t best = bestMatch(*decoded);
    return best == entries_.size() ? std::string() : entries_[best].name;
}

} // namespace pellora::test
