#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace pellora {

// An allocator whose resize leaves new bytes uninitialised: a buffer that a
// read is about to fill need not be zeroed first.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    DefaultInitAllocator() = default;
    template <typename U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}

    template <typename U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

using UninitializedBytes = std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>>;

} // namespace pellora
