#pragma once

#include <random>

namespace cmp::db {

// Reproducible choices for the generated data: mt19937's sequence is fixed
// by the standard, and taking it modulo n (unlike the standard
// distributions) gives the same numbers with every library.
class DemoRandom
{
public:
    explicit DemoRandom(unsigned seed) : engine_(seed) {}

    int below(int n) { return static_cast<int>(engine_() % static_cast<unsigned>(n)); }
    // A quantity with up to two decimals in [low, low + spread).
    double quantity(int low, int spread) { return low + below(spread * 4) / 4.0; }

private:
    std::mt19937 engine_;
};

} // namespace cmp::db
