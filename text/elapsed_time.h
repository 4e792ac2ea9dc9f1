// Elapsed-time measurement: how long a command took, as a text such as "解析用时 1.23 秒".
#pragma once

#include <cstdint>

#include "runtime/types.h"

namespace rg_Tolvar_MingLingJi {

// rg_TolvarShiJianCeLiangLei: a stopwatch on the millisecond tick clock
// (rg_Korrin_JiBen::currentTickClock(), replaceable in tests). It keeps the low 32 bits of the
// tick reading at its start, as the system tick counter does; the time since then is taken modulo
// 2^32, so a wrap of the counter between start and reading does not give a negative duration.
// Construction starts it. Not thread-safe; the shared instance is for the UI thread.
class rg_TolvarShiJianCeLiangLei {
public:
    rg_TolvarShiJianCeLiangLei();

    // Starts a new measurement now.
    void restartTimer();
    // prefix + "用时 " + formatDuration(milliseconds since the start); then restarts the timer.
    CWString elapsedText(CWStringView prefix);
    // A duration with its unit: "523 毫秒", "1.23 秒", "1.08 分", "2 时", "1 天", "1 月", "1 年".
    static CWString formatDuration(int64_t milliseconds);

    uint64_t start() const { return start_; }

private:
    static uint64_t tickNow();
    uint64_t start_ = 0; // low 32 bits of a tick reading, high 32 bits 0
};

// The stopwatch shared by the main window's commands.
rg_TolvarShiJianCeLiangLei& sharedStopwatch();

} // namespace rg_Tolvar_MingLingJi
