// The prompt picker's random generator: see random.h.
#include "prompts/random.h"

std::uint32_t RandomLow = kRandomSeedMask;
std::uint8_t RandomHigh = kInitialRandomHigh;
std::uint8_t SwapToggle = 0;
std::uint8_t RotateToggle = 0;
std::uint32_t LastPromptIndex = 0;

namespace {

std::uint32_t ReverseBytes(std::uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0x0000FF00u) | ((value << 8) & 0x00FF0000u) |
           (value << 24);
}

std::uint32_t RotateRight(std::uint32_t value, unsigned count) {
    count &= 31u;
    if (count == 0) return value;
    return (value >> count) | (value << (32u - count));
}

}  // namespace

void ResetRandom() {
    RandomLow = kRandomSeedMask;
    RandomHigh = kInitialRandomHigh;
    SwapToggle = 0;
    RotateToggle = 0;
    LastPromptIndex = 0;
}

void SeedRandom(std::uint32_t tickCount) {
    const std::uint32_t t0 = tickCount & 0xFFu;
    const std::uint32_t t1 = (tickCount >> 8) & 0xFFu;
    RandomLow = ((t0 << 24) | (t1 << 16) | (t0 << 8) | t0) ^ kRandomSeedMask;
}

std::uint32_t NextRandom(std::uint32_t n) {
    // Shift the 39-bit register right by one; the bit leaving bit 0, XOR-ed
    // with bit 35 (bit 3 of the high part), comes back in at bit 38.
    const std::uint32_t out = RandomLow & 1u;
    const std::uint32_t feedback = out ^ ((RandomHigh >> 3) & 1u);
    std::uint32_t low = (RandomLow >> 1) | (static_cast<std::uint32_t>(RandomHigh & 1u) << 31);
    RandomHigh = static_cast<std::uint8_t>((RandomHigh >> 1) | (feedback << 6));

    // Alternate draws byte-reverse; of the others, every second one rotates.
    SwapToggle ^= 1u;
    if (SwapToggle == 1) {
        low = ReverseBytes(low);
    } else {
        RotateToggle ^= 1u;
        if (RotateToggle == 1) low = RotateRight(low, RandomHigh & 31u);
    }
    RandomLow = low;
    return n == 0 ? 0 : RandomLow % n;
}

std::uint32_t PickPromptIndex(std::uint32_t count, std::uint32_t tickCount) {
    return PickPromptIndex(count, tickCount, kRedrawLimit);
}

std::uint32_t PickPromptIndex(std::uint32_t count, std::uint32_t tickCount,
                              std::uint32_t redrawLimit) {
    SeedRandom(tickCount);
    if (count == 0) return kNoPromptIndex;
    std::uint32_t index = NextRandom(count);
    // With a single prompt its index is the only one there is: show it again
    // rather than look for another.
    if (count >= 2) {
        for (std::uint32_t redraws = 0; index == LastPromptIndex && redraws < redrawLimit;
             ++redraws)
            index = NextRandom(count);
        if (index == LastPromptIndex) index = (index + 1) % count;
    }
    LastPromptIndex = index;
    return index;
}
