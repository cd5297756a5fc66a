#pragma once
// Large buffers are backed by huge pages where the system offers them: first touching a
// fresh page is costly, above all on virtual machines, and a million ads fill tens of
// thousands of ordinary pages.
#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

namespace zuneigo {

inline constexpr std::size_t HugePageSize = std::size_t{2} << 20;

// Asks for huge pages over the whole 2 MiB pages inside [p, p + bytes); a hint only.
void AdviseHugePages(void* p, std::size_t bytes);

// Allocator for vectors that grow large: allocations of 2 MiB and more are aligned to
// huge pages and advised as such.
template <class T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) noexcept
    {}

    T* allocate(std::size_t n)
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < HugePageSize)
            return static_cast<T*>(::operator new(bytes));
        const std::size_t rounded = (bytes + HugePageSize - 1) / HugePageSize * HugePageSize;
        void* p = ::operator new (rounded, std::align_val_t{HugePageSize});
        AdviseHugePages(p, rounded);
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n) noexcept
    {
        if (n * sizeof(T) < HugePageSize)
            ::operator delete(p);
        else
            ::operator delete (p, std::align_val_t{HugePageSize});
    }
    // Elements that resize adds are default-initialized, so plain numbers and bytes are
    // left as the fresh pages come: their users write them at once, and zeroing them first
    // would touch every page twice.
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
    template <class U>
    bool operator==(const LargeAllocator<U>&) const noexcept
    {
        return true;
    }
};

} // namespace zuneigo
