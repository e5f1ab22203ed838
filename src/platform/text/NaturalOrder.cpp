#include "platform/text/NaturalOrder.h"

#include "platform/text/UnicodeCase.h"
#include "platform/text/Utf8.h"

namespace pellora {

namespace {

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

std::size_t digitRunEnd(std::u16string_view text, std::size_t from)
{
    while (from < text.size() && isDigit(text[from]))
        ++from;
    return from;
}

// Two runs of digits as the numbers they spell, of any length.
std::strong_ordering compareNumbers(std::u16string_view a, std::u16string_view b)
{
    const auto significant = [](std::u16string_view run) {
        const std::size_t first = run.find_first_not_of(u'0');
        return first == std::u16string_view::npos ? std::u16string_view() : run.substr(first);
    };
    const std::u16string_view x = significant(a);
    const std::u16string_view y = significant(b);
    if (x.size() != y.size())
        return x.size() <=> y.size();
    return x.compare(y) <=> 0;
}

} // namespace

NaturalOrder::NaturalOrder(std::string_view name)
    : upper_(utf8::toUtf16(unicodeCase::toUpper(name)))
    , bytes_(name)
{
}

std::strong_ordering NaturalOrder::operator<=>(const NaturalOrder& other) const
{
    const std::u16string_view a = upper_;
    const std::u16string_view b = other.upper_;
    // The first pair of digit runs of different lengths that spell the same
    // number; it decides only when nothing else does.
    std::strong_ordering padding = std::strong_ordering::equal;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const std::size_t endA = digitRunEnd(a, i);
            const std::size_t endB = digitRunEnd(b, j);
            const std::u16string_view runA = a.substr(i, endA - i);
            const std::u16string_view runB = b.substr(j, endB - j);
            if (const auto byValue = compareNumbers(runA, runB); byValue != 0)
                return byValue;
            if (padding == 0)
                padding = runA.size() <=> runB.size();
            i = endA;
            j = endB;
            continue;
        }
        // A digit against anything else: every digit stands where '0'..'9'
        // stand among the characters, whichever digit it is.
        if (a[i] != b[j])
            return a[i] <=> b[j];
        ++i;
        ++j;
    }
    if (const auto byLength = (a.size() - i) <=> (b.size() - j); byLength != 0)
        return byLength;
    if (padding != 0)
        return padding;
    return bytes_.compare(other.bytes_) <=> 0;
}

} // namespace pellora
