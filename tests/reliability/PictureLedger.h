#pragma once

#include "support/TgaBuilder.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace pellora::test {

// A picture that tells itself apart from every other by content: a screenshot-
// like gradient with `index` written as eight black-or-white blocks across its
// top, so a JPEG of one source is far from every other source.
TgaPicture distinctPicture(int width, int height, int index);

// Where each source picture ended up after a run. A picture is accounted for
// when it is still a TGA with its original bytes or a JPEG that decodes to its
// pixels within the quality's error; lost when it is neither.
struct LedgerAudit {
    int pictures = 0;
    int accounted = 0;
    int lost = 0;
    int doubled = 0;   // pictures found as two or more JPEGs
    int truncated = 0; // files under a final JPEG name that do not decode
    int strangers = 0; // JPEGs that match no source
    int reservations = 0; // names a killed run was reserving (no pictures; the next run clears them)
    std::map<std::string, int> jpegsOf; // source name -> how many JPEGs show it
    std::vector<std::string> problems;
};

class PictureLedger {
public:
    explicit PictureLedger(double minimumPsnr = 30.0) : minimumPsnr_(minimumPsnr) {}

    // Writes the picture as a game TGA at `path` and remembers it.
    void addSource(const std::filesystem::path& path, const TgaPicture& picture);
    // Remembers a picture that must survive but is not one of the run's
    // sources at the start (one written over a source during the run).
    void expect(const std::string& name, const std::vector<unsigned char>& tgaBytes, const TgaPicture& picture);

    // Forgets a picture the test itself took away.
    void forget(const std::string& name);

    // Looks at every regular file in `folders`: .tga files by their bytes,
    // .jpg files by their pixels. Other files are ignored.
    LedgerAudit audit(const std::vector<std::filesystem::path>& folders) const;

    size_t size() const { return entries_.size(); }

    // The name of the source whose picture the JPEG at `jpeg` shows; empty
    // when it does not decode or shows none of them.
    std::string shownBy(const std::filesystem::path& jpeg) const;

private:
    struct Entry {
        std::string name;
        std::vector<unsigned char> tgaBytes;
        TgaPicture picture;
    };
    // The entry the decoded picture shows, or entries_.size() for none.
    size_t bestMatch(const TgaPicture& decoded) const;

    std::vector<Entry> entries_;
    double minimumPsnr_;
};

} // namespace pellora::test
