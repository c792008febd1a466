// The prompt picker's random generator: a 39-bit linear feedback shift
// register whose low 32 bits are byte-reversed or rotated on alternate draws,
// reseeded from the tick count before every pick. Portable: the tick count is
// passed in, so the whole picker runs in the native tests.
#pragma once

#include <cstdint>

// Generator state. R is RandomHigh * 2^32 + RandomLow, a 39-bit number; the
// two toggles pick what each draw does to RandomLow. Seeding replaces
// RandomLow only: the rest carries over from pick to pick for the whole run.
extern std::uint32_t RandomLow;
extern std::uint8_t RandomHigh;    // bits 32 to 38 of R; its top bit stays 0
extern std::uint8_t SwapToggle;    // 0 or 1
extern std::uint8_t RotateToggle;  // 0 or 1
// Index in the prompt list of the prompt shown last.
extern std::uint32_t LastPromptIndex;

constexpr std::uint32_t kRandomSeedMask = 0x03B649F6;
constexpr std::uint8_t kInitialRandomHigh = 0x1D;

// Index that PickPromptIndex returns when there is no prompt to pick.
constexpr std::uint32_t kNoPromptIndex = 0xFFFFFFFF;

// Redraws one pick may make before it settles for the index after the last
// one, so that no pick can run without end. A bound that is never reached in
// practice: tried from every state a pick can start in (every seed, every
// high part, every toggle pair), a pick among 2 to 7 prompts took at most 28
// draws.
constexpr std::uint32_t kRedrawLimit = 1000;

// Puts the generator and LastPromptIndex back to their values at program start.
void ResetRandom();

// Sets RandomLow from bits 0 to 15 of the tick count (bytes t0, t1, t0, t0
// from the most significant down, XOR kRandomSeedMask); changes nothing else.
void SeedRandom(std::uint32_t tickCount);

// Advances the generator by one draw and returns a value from 0 to n - 1.
// n must be at least 1; n = 0 still draws and returns 0.
std::uint32_t NextRandom(std::uint32_t n);

// One pick among count prompts: seeds from the tick count, draws, and draws
// again while the index equals LastPromptIndex, which it then updates.
// With one prompt returns 0 after one draw; with none returns kNoPromptIndex
// without drawing and leaves LastPromptIndex as it was.
std::uint32_t PickPromptIndex(std::uint32_t count, std::uint32_t tickCount);

// As above with a given bound on redraws: when the bound is reached with the
// index still equal to LastPromptIndex, the next index (wrapping) is taken.
std::uint32_t PickPromptIndex(std::uint32_t count, std::uint32_t tickCount,
                              std::uint32_t redrawLimit);
