#pragma once

#include <cstddef>
#include <cstdint>

namespace kelsim {

// SplitMix64: expands one 64-bit seed into well-mixed states and block seeds.
inline uint64_t splitMix64(uint64_t &state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// xoshiro256**: a fast 64-bit generator with a 2^256 period.
class Random {
  public:
    explicit Random(uint64_t seed)
    {
        uint64_t s = seed;
        for (uint64_t &word : state_)
            word = splitMix64(s);
    }

    uint64_t next()
    {
        const uint64_t result = rotl(state_[1] * 5, 7) * 9;
        const uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = rotl(state_[3], 45);
        return result;
    }

    // An unbiased integer in [0, bound), bound > 0.
    uint32_t below(uint32_t bound) { return bounded(static_cast<uint32_t>(next() >> 32), bound); }

    // Fisher–Yates: every arrangement equally likely, whatever the starting one. Each 64-bit
    // output serves two draws: its halves are independent uniform 32-bit numbers, and the
    // generator's own latency is what a long shuffle waits on.
    template <typename T> void shuffle(T *items, size_t count)
    {
        // The draws come from a local copy of the generator, which the compiler knows no item
        // can overlap: byte items may alias anything else, and would keep the state in memory,
        // reloaded after every swap.
        Random local = *this;
        size_t i = count;
        for (; i > 2; i -= 2) {
            const uint64_t bits = local.next();
            swapItems(items, i - 1, local.bounded(static_cast<uint32_t>(bits >> 32), static_cast<uint32_t>(i)));
            swapItems(items, i - 2, local.bounded(static_cast<uint32_t>(bits), static_cast<uint32_t>(i - 1)));
        }
        if (i == 2)
            swapItems(items, 1, local.below(2));
        *this = local;
    }

  private:
    static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    // Lemire's multiply-and-reject: maps uniform 32-bit `bits` to [0, bound) without bias; the
    // rare rejected values are replaced by fresh bits.
    uint32_t bounded(uint32_t bits, uint32_t bound)
    {
        uint64_t m = static_cast<uint64_t>(bits) * bound;
        uint32_t low = static_cast<uint32_t>(m);
        if (low < bound) {
            const uint32_t threshold = static_cast<uint32_t>(-bound) % bound;
            while (low < threshold) {
                m = static_cast<uint64_t>(static_cast<uint32_t>(next() >> 32)) * bound;
                low = static_cast<uint32_t>(m);
            }
        }
        return static_cast<uint32_t>(m >> 32);
    }

    template <typename T> static void swapItems(T *items, size_t a, size_t b)
    {
        T tmp = items[a];
        items[a] = items[b];
        items[b] = tmp;
    }

    uint64_t state_[4];
};

// The seed of one block of shuffles: a run with a given seed draws the same permutations in
// every block whatever the number of threads that share the blocks.
inline uint64_t blockSeed(uint64_t runSeed, uint64_t block)
{
    uint64_t s = runSeed ^ (0xD1B54A32D192ED03ull * (block + 1));
    splitMix64(s);
    return splitMix64(s);
}

} // namespace kelsim
