#include "platform/io/FileWindow.h"

#include "platform/io/WriteAll.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace pellora {

namespace {

constexpr std::uint64_t kBlock = ContentDigest::kBlockSize;

Failure shrank()
{
    return Failure::of(FailureCause::ChangedWhileRead);
}

// Asked for more, or out of order, than the window was made for.
Failure misused()
{
    return Failure::of(FailureCause::CannotRead, EINVAL);
}

} // namespace

FileWindow::FileWindow(const FileHandle& file, std::uint64_t fileSize, std::span<const std::uint8_t> head,
                       UninitializedBytes& buffer, std::size_t stripBytes, std::size_t largestRequest)
    : file_(file), size_(fileSize), head_(head), buffer_(buffer),
      strip_(std::max<std::size_t>(kBlock, stripBytes / kBlock * kBlock))
{
    const std::size_t capacity = strip_ + largestRequest + 2 * kBlock;
    if (buffer_.size() < capacity)
        buffer_.resize(capacity);
}

std::uint64_t FileWindow::alignDown(std::uint64_t offset) const
{
    return offset / kBlock * kBlock;
}

std::uint64_t FileWindow::alignUp(std::uint64_t offset) const
{
    return std::min(size_, (offset + kBlock - 1) / kBlock * kBlock);
}

void FileWindow::startForward(std::uint64_t from, ContentDigest& digest)
{
    digest_ = &digest;
    const std::uint64_t headEnd = head_.size();
    // Reads from the file start on a block boundary, the head's end being one.
    lo_ = hi_ = from > headEnd ? alignDown(from) : from;
    readLo_ = readHi_ = std::max(headEnd, lo_);
}

void FileWindow::startBackward(ContentDigest& digest)
{
    digest_ = &digest;
    lo_ = hi_ = readLo_ = readHi_ = size_;
}

// Fills `out` with the file's bytes [from, to): those inside the head from
// there, the others read from the file into the digest.
Status FileWindow::readInto(std::uint8_t* out, std::uint64_t from, std::uint64_t to)
{
    const std::uint64_t headEnd = head_.size();
    if (from < headEnd) {
        const std::uint64_t stop = std::min(to, headEnd);
        std::memcpy(out, head_.data() + from, static_cast<std::size_t>(stop - from));
        out += stop - from;
        from = stop;
    }
    if (from >= to)
        return ok();
    const std::size_t wanted = static_cast<std::size_t>(to - from);
    const auto n = readAllAt(file_, out, wanted, from);
    if (!n)
        return unexpected(Failure::of(FailureCause::CannotRead, n.error().systemError));
    if (*n != wanted)
        return unexpected(shrank());
    digest_->add(from, std::span<const std::uint8_t>(out, wanted));
    readLo_ = std::min(readLo_, from);
    readHi_ = std::max(readHi_, to);
    return ok();
}

Expected<const std::uint8_t*, Failure> FileWindow::forward(std::uint64_t begin, std::uint64_t end)
{
    if (end > size_)
        return unexpected(shrank());
    if (begin < lo_ || begin > hi_)
        return unexpected(misused());
    if (end > hi_) {
        // Keep what is still wanted, then read whole blocks after it.
        const std::size_t kept = static_cast<std::size_t>(hi_ - begin);
        std::memmove(buffer_.data(), buffer_.data() + (begin - lo_), kept);
        lo_ = begin;
        const std::uint64_t newHi = alignUp(std::max(end, hi_ + strip_));
        if (kept + (newHi - hi_) > buffer_.size())
            return unexpected(misused()); // a request larger than promised
        if (Status read = readInto(buffer_.data() + kept, hi_, newHi); !read)
            return unexpected(read.error());
        hi_ = newHi;
    }
    return buffer_.data() + (begin - lo_);
}

Expected<const std::uint8_t*, Failure> FileWindow::backward(std::uint64_t begin, std::uint64_t end)
{
    if (end > hi_ && hi_ != size_)
        return unexpected(misused());
    if (begin < lo_) {
        // Keep what is still wanted at the back, then read whole blocks before it.
        hi_ = std::min(hi_, std::max(end, lo_));
        const std::size_t kept = static_cast<std::size_t>(hi_ - lo_);
        const std::uint64_t below = lo_ > strip_ ? lo_ - strip_ : 0;
        const std::uint64_t newLo = alignDown(std::min(begin, below));
        const std::size_t added = static_cast<std::size_t>(lo_ - newLo);
        if (added + kept > buffer_.size())
            return unexpected(misused()); // a request larger than promised
        std::memmove(buffer_.data() + added, buffer_.data(), kept);
        if (Status read = readInto(buffer_.data(), newLo, lo_); !read)
            return unexpected(read.error());
        lo_ = newLo;
    }
    if (end > hi_)
        return unexpected(shrank());
    return buffer_.data() + (begin - lo_);
}

Status FileWindow::finishSweep()
{
    const std::uint64_t headEnd = head_.size();
    const std::uint64_t readLo = readLo_, readHi = readHi_;
    lo_ = hi_ = 0; // the buffer's contents are spent
    for (std::uint64_t at = headEnd; at < readLo;) {
        const std::uint64_t to = std::min(readLo, at + strip_);
        if (Status read = readInto(buffer_.data(), at, to); !read)
            return read;
        at = to;
    }
    for (std::uint64_t at = readHi; at < size_;) {
        const std::uint64_t to = std::min(size_, at + strip_);
        if (Status read = readInto(buffer_.data(), at, to); !read)
            return read;
        at = to;
    }
    return ok();
}

} // namespace pellora
