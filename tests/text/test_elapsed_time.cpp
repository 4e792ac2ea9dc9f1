// Elapsed-time texts: duration formatting and the stopwatch on a fake clock.
#include <gtest/gtest.h>

#include "runtime/tick_clock.h"
#include "text/elapsed_time.h"

using rg_Tolvar_MingLingJi::rg_TolvarShiJianCeLiangLei;

namespace {

class FakeClock : public rg_Korrin_JiBen::ITickClock {
public:
    uint64_t now = 0;
    uint64_t tickMs() const override { return now; }
};

class ClockGuard {
public:
    explicit ClockGuard(FakeClock& c) { rg_Korrin_JiBen::setTickClock(&c); }
    ~ClockGuard() { rg_Korrin_JiBen::setTickClock(nullptr); }
};

TEST(elapsed_time, format_duration) {
    const int64_t minute = 60000, hour = 60 * minute, day = 24 * hour;
    struct Row {
        int64_t ms;
        const char16_t* text;
    } rows[] = {
        {0, u"0 毫秒"},         {1, u"1 毫秒"},
        {523, u"523 毫秒"},     {999, u"999 毫秒"},
        {1000, u"1 秒"},        {1234, u"1.23 秒"},
        {1235, u"1.24 秒"},     {1500, u"1.5 秒"},
        {2000, u"2 秒"},        {1005, u"1.01 秒"},
        {1004, u"1 秒"},        {59999, u"60 秒"},
        {60000, u"1 分"},       {65000, u"1.08 分"},
        {hour - 1, u"60 分"},   {7200000, u"2 时"},
        {day - 1, u"24 时"},    {86400000, u"1 天"},
        {36 * hour, u"1.5 天"}, {30 * day, u"1 月"},
        {45 * day, u"1.5 月"},  {360 * day, u"1 年"},
        {720 * day, u"2 年"},   {-5, u"-5 毫秒"},
        {-1234, u"-1234 毫秒"}, {int64_t(1) << 62, u"148266654.4 年"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(rg_TolvarShiJianCeLiangLei::formatDuration(r.ms), r.text) << r.ms;
}

TEST(elapsed_time, elapsed_text_measures_consecutive_intervals) {
    FakeClock clock;
    clock.now = 100000;
    ClockGuard guard(clock);
    rg_TolvarShiJianCeLiangLei t;
    clock.now += 1234;
    EXPECT_EQ(t.elapsedText(u"解析"), u"解析用时 1.23 秒");
    clock.now += 523;
    EXPECT_EQ(t.elapsedText(u"加载到树"), u"加载到树用时 523 毫秒");
    EXPECT_EQ(t.elapsedText(u""), u"用时 0 毫秒");
    clock.now += 5000;
    t.restartTimer();
    clock.now += 65000;
    EXPECT_EQ(t.elapsedText(u"显示节点"), u"显示节点用时 1.08 分");
}

TEST(elapsed_time, start_keeps_the_low_word_and_survives_a_wrap) {
    FakeClock clock;
    clock.now = (uint64_t(7) << 32) + 0xFFFFFF00u;
    ClockGuard guard(clock);
    rg_TolvarShiJianCeLiangLei t;
    EXPECT_EQ(t.start(), 0xFFFFFF00u);
    clock.now += 0x100 + 1000; // the 32-bit counter wrapped
    EXPECT_EQ(t.elapsedText(u"解析"), u"解析用时 1.26 秒");
}

TEST(elapsed_time, shared_stopwatch_is_one_instance) {
    EXPECT_EQ(&rg_Tolvar_MingLingJi::sharedStopwatch(), &rg_Tolvar_MingLingJi::sharedStopwatch());
}

} // namespace
