// The prompt picker's random generator and the pick built on it.
#include <gtest/gtest.h>

#include <cstdint>

#include "prompts/random.h"

namespace {

struct State {
    std::uint32_t low;
    std::uint8_t high;
    std::uint8_t swap;
    std::uint8_t rotate;
};

State Current() {
    return {RandomLow, RandomHigh, SwapToggle, RotateToggle};
}

void Restore(const State& state) {
    RandomLow = state.low;
    RandomHigh = state.high;
    SwapToggle = state.swap;
    RotateToggle = state.rotate;
}

void ExpectSameState(const State& a, const State& b) {
    EXPECT_EQ(a.low, b.low);
    EXPECT_EQ(a.high, b.high);
    EXPECT_EQ(a.swap, b.swap);
    EXPECT_EQ(a.rotate, b.rotate);
}

// A second formulation of one draw, written on the whole 39-bit register:
// f = bit 0 XOR bit 35; R = R >> 1 | f << 38; then the same treatment of the
// low 32 bits. Used to check the split form over long runs.
struct Reference {
    std::uint64_t r;
    int swap;
    int rotate;

    std::uint32_t Draw(std::uint32_t n) {
        const std::uint64_t f = (r ^ (r >> 35)) & 1u;
        r = (r >> 1) | (f << 38);
        std::uint32_t low = static_cast<std::uint32_t>(r);
        const unsigned high = static_cast<unsigned>(r >> 32);
        swap ^= 1;
        if (swap) {
            low = ((low & 0xFFu) << 24) | ((low & 0xFF00u) << 8) | ((low >> 8) & 0xFF00u) |
                  (low >> 24);
        } else {
            rotate ^= 1;
            const unsigned k = high & 31u;
            if (rotate && k != 0) low = (low >> k) | (low << (32 - k));
        }
        r = (static_cast<std::uint64_t>(high) << 32) | low;
        return low % n;
    }
};

class RandomTest : public ::testing::Test {
protected:
    void SetUp() override { ResetRandom(); }
    void TearDown() override { ResetRandom(); }
};

}  // namespace

TEST_F(RandomTest, WorkedExampleDrawByDraw) {
    SeedRandom(0x00001234);
    ASSERT_EQ(RandomLow, 0x37A47DC2u);
    struct Row {
        std::uint32_t low;
        std::uint8_t high;
        std::uint8_t swap;
        std::uint8_t rotate;
        std::uint32_t result;
    } rows[] = {
        {0xE13ED29B, 0x4E, 1, 0, 7},  // byte reversal
        {0x9AE13ED2, 0x27, 0, 1, 6},  // rotation right by 7
        {0x699F70CD, 0x13, 1, 1, 1},  // byte reversal
        {0xB4CFB866, 0x49, 0, 0, 8},  // neither
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "draw giving " << row.result);
        EXPECT_EQ(NextRandom(10), row.result);
        ExpectSameState(Current(), {row.low, row.high, row.swap, row.rotate});
    }
}

TEST_F(RandomTest, FirstPickAtWorkedExampleTickShowsItemSeven) {
    EXPECT_EQ(PickPromptIndex(10, 0x00001234), 7u);
    EXPECT_EQ(LastPromptIndex, 7u);
    EXPECT_EQ(RandomLow, 0xE13ED29Bu);  // a single draw
}

TEST_F(RandomTest, SeedingUsesOnlyBitsZeroToFifteenAndNothingElse) {
    struct Row {
        std::uint32_t tick;
        std::uint32_t low;
    } rows[] = {
        {0x00001234, 0x37A47DC2}, {0x7FFF1234, 0x37A47DC2}, {0xFFFF1234, 0x37A47DC2},
        {0x0001ABCD, 0xCE1D843B}, {0x8000ABCD, 0xCE1D843B}, {0x00000000, 0x03B649F6},
        {0x12340000, 0x03B649F6}, {0x0000FFFF, 0xFC49B609},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tick);
        const State before = {0x11111111, 0x55, 1, 1};
        Restore(before);
        LastPromptIndex = 42;
        SeedRandom(row.tick);
        ExpectSameState(Current(), {row.low, before.high, before.swap, before.rotate});
        EXPECT_EQ(LastPromptIndex, 42u);
    }
}

TEST_F(RandomTest, CountOfOneReturnsZeroAndStillAdvances) {
    SeedRandom(0x00001234);
    const State start = Current();
    for (int draw = 0; draw < 8; ++draw) {
        // The same draw with a large count, from the same state, moves the
        // generator to the same place.
        const State before = Current();
        NextRandom(0xFFFFFFFFu);
        const State expected = Current();
        Restore(before);
        EXPECT_EQ(NextRandom(1), 0u);
        ExpectSameState(Current(), expected);
    }
    EXPECT_NE(RandomLow, start.low);
}

TEST_F(RandomTest, CountOfZeroDrawsWithoutDividing) {
    SeedRandom(0x00001234);
    EXPECT_EQ(NextRandom(0), 0u);
    EXPECT_EQ(RandomLow, 0xE13ED29Bu);
}

TEST_F(RandomTest, AgreesWithWholeRegisterFormulationOverLongRuns) {
    const std::uint32_t counts[] = {1, 2, 3, 7, 10, 398, 1000, 65536, 0x7FFFFFFF, 0xFFFFFFFF};
    for (std::uint32_t tick : {0x00001234u, 0x0001ABCDu, 0xFFFFFFFFu, 0u}) {
        ResetRandom();
        SeedRandom(tick);
        Reference reference = {(static_cast<std::uint64_t>(RandomHigh) << 32) | RandomLow, 0, 0};
        for (int draw = 0; draw < 200000; ++draw) {
            const std::uint32_t n = counts[draw % 10];
            const std::uint32_t expected = reference.Draw(n);
            ASSERT_EQ(NextRandom(n), expected) << "tick " << tick << " draw " << draw;
            ASSERT_EQ(RandomLow, static_cast<std::uint32_t>(reference.r));
            ASSERT_EQ(RandomHigh, static_cast<std::uint8_t>(reference.r >> 32));
            ASSERT_LT(RandomHigh, 0x80);
            // A reseeding now and then, as the picker does before each pick.
            if (draw % 1000 == 999) {
                SeedRandom(static_cast<std::uint32_t>(draw) * 2654435761u);
                reference.r = (reference.r & 0x7F00000000ull) | RandomLow;
            }
        }
    }
}

TEST_F(RandomTest, FirstPickOfARunIsNeverItemZeroForAnyTick) {
    for (std::uint32_t count : {2u, 3u, 10u, 398u}) {
        for (std::uint32_t tick = 0; tick <= 0xFFFF; ++tick) {
            ResetRandom();
            const std::uint32_t index = PickPromptIndex(count, tick);
            ASSERT_NE(index, 0u) << "count " << count << " tick " << tick;
            ASSERT_LT(index, count);
            if (count == 2) {
                ASSERT_EQ(index, 1u);
            }
        }
    }
}

// Two prompts therefore alternate.
TEST_F(RandomTest, NoPromptIsPickedTwiceInARow) {
    for (std::uint32_t count : {2u, 3u, 5u, 398u}) {
        std::uint32_t last = LastPromptIndex;
        for (std::uint32_t pick = 0; pick < 3000; ++pick) {
            // Tick counts a few milliseconds apart, as F4 presses give, and
            // some that repeat.
            const std::uint32_t index = PickPromptIndex(count, (pick / 3) * 17u);
            ASSERT_LT(index, count);
            ASSERT_NE(index, last) << "count " << count << " pick " << pick;
            last = index;
        }
    }
}

TEST_F(RandomTest, PickNeedingOneRedrawAdvancesTheCycleByTwoDraws) {
    // Find a tick whose first draw among two gives index 0, the index shown
    // last at program start, and whose second draw gives 1.
    std::uint32_t tick = 0;
    bool found = false;
    for (; tick <= 0xFFFF && !found; ++tick) {
        ResetRandom();
        SeedRandom(tick);
        found = NextRandom(2) == 0 && NextRandom(2) == 1;
    }
    ASSERT_TRUE(found);
    --tick;
    ResetRandom();
    SeedRandom(tick);
    NextRandom(2);
    NextRandom(2);
    const State afterTwo = Current();

    ResetRandom();
    EXPECT_EQ(PickPromptIndex(2, tick), 1u);
    ExpectSameState(Current(), afterTwo);
    EXPECT_EQ(SwapToggle, 0);
    EXPECT_EQ(RotateToggle, 1);
}

TEST_F(RandomTest, SinglePromptIsShownAgainAfterOneDraw) {
    for (int pick = 0; pick < 10; ++pick) {
        const std::uint8_t swapBefore = SwapToggle;
        EXPECT_EQ(PickPromptIndex(1, 0x1234u + pick), 0u);
        EXPECT_NE(SwapToggle, swapBefore);  // exactly one draw per pick
        EXPECT_EQ(LastPromptIndex, 0u);
    }
}

TEST_F(RandomTest, NoPromptGivesNoIndexWithoutDrawing) {
    LastPromptIndex = 3;
    const State before = Current();
    EXPECT_EQ(PickPromptIndex(0, 0x1234), kNoPromptIndex);
    EXPECT_EQ(RandomHigh, before.high);
    EXPECT_EQ(SwapToggle, before.swap);
    EXPECT_EQ(RotateToggle, before.rotate);
    EXPECT_EQ(LastPromptIndex, 3u);
}

TEST_F(RandomTest, LastIndexBeyondANewSmallerCountNeedsNoRedraw) {
    // After the prompts were edited down, the index shown last may lie past
    // the end of the list; every index then differs from it.
    LastPromptIndex = 50;
    const std::uint32_t index = PickPromptIndex(3, 0x1234);
    EXPECT_LT(index, 3u);
    EXPECT_EQ(SwapToggle, 1);  // one draw
}

TEST_F(RandomTest, RedrawBoundTakesTheNextIndexWhenReached) {
    // The worked example's first draw among ten gives 7.
    LastPromptIndex = 7;
    EXPECT_EQ(PickPromptIndex(10, 0x1234, 0), 8u);
    ResetRandom();
    LastPromptIndex = 1;  // worked example among two: 0xE13ED29B is odd
    EXPECT_EQ(PickPromptIndex(2, 0x1234, 0), 0u);
    EXPECT_EQ(LastPromptIndex, 0u);
}
