#include <gtest/gtest.h>

#include "runtime/kor_mem.h"
#include "runtime/tick_clock.h"

TEST(kor_mem, append_grow_copy_and_release) {
    CKorMem m;
    EXPECT_EQ(m.growthStep(), 64u);
    for (int i = 0; i < 1000; ++i)
        m.appendByte(static_cast<uint8_t>(i));
    ASSERT_EQ(m.size(), 1000u);
    EXPECT_GE(m.capacity(), 1000u);
    EXPECT_EQ(m.data()[999], static_cast<uint8_t>(999));

    CKorMem copy = m; // deep
    copy.data()[0] = 0xFF;
    EXPECT_EQ(m.data()[0], 0);
    EXPECT_EQ(copy.size(), 1000u);

    m.setGrowthStep(1 << 20);
    while (m.size() < m.capacity())
        m.appendByte(1);
    m.appendByte(1); // full: grows by one large step
    EXPECT_GE(m.capacity(), (1u << 20));
    m.resize(2000);
    EXPECT_EQ(m.data()[1500], 0);
    m.release();
    EXPECT_EQ(m.size(), 0u);
    EXPECT_EQ(m.capacity(), 0u);
    EXPECT_EQ(m.growthStep(), 1u << 20);
}

TEST(tick_clock, replaceable) {
    struct Fixed : rg_Korrin_JiBen::ITickClock {
        uint64_t tickMs() const override { return 42; }
    } fixed;
    rg_Korrin_JiBen::setTickClock(&fixed);
    EXPECT_EQ(rg_Korrin_JiBen::currentTickClock().tickMs(), 42u);
    rg_Korrin_JiBen::setTickClock(nullptr);
    EXPECT_NE(&rg_Korrin_JiBen::currentTickClock(), &fixed);
}
