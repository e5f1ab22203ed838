#pragma once

#include <compare>
#include <string>
#include <string_view>

namespace pellora {

// Where a file name stands among others as people read names: a run of
// digits counts as the number it spells, so ScreenShot2 comes before
// ScreenShot10 and a zero-padded or dated name keeps its place. Between the
// digits, names compare as Windows lists a folder: by their upper case, as
// UTF-16, so "_d" still comes after "b". Names that differ only in leading
// zeros or case are still never equal: the shorter run of digits comes first,
// then the bytes decide, so the order is the same on every run.
class NaturalOrder {
public:
    // `name` is UTF-8 text; a byte that is no UTF-8 takes part as it is.
    explicit NaturalOrder(std::string_view name);

    std::strong_ordering operator<=>(const NaturalOrder& other) const;
    bool operator==(const NaturalOrder& other) const { return bytes_ == other.bytes_; }

private:
    std::u16string upper_;
    std::string bytes_;
};

} // namespace pellora
