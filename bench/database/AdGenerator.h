#pragma once
// A deterministic stream of everyday ads, the same on every machine.
#include "app/core/SubmitUrl.h"

#include <cstdint>

namespace zuneigo::bench {

class AdGenerator {
public:
    explicit AdGenerator(std::uint64_t start) : state_(start) {}
    AdValues Next();

private:
    std::uint64_t Random();
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Random() % n); }
    template <std::size_t N>
    const char* Pick(const char* const (&list)[N])
    {
        return list[Below(N)];
    }

    std::uint64_t state_;
};

} // namespace zuneigo::bench
