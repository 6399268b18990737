#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>

// An allocator whose containers leave new elements of plain types
// uninitialised (default-initialised) instead of zeroing them: for sample
// arrays that are sized first and then written whole, where the zeroing
// would be a second pass over tens of kilobytes for nothing.
template <class T>
class DefaultInitAllocator : public std::allocator<T> {
public:
    template <class U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };

    DefaultInitAllocator() noexcept = default;
    template <class U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept
    {
    }

    template <class U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>)
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
