#include "text/elapsed_time.h"

#include <cmath>
#include <cstdio>

#include "runtime/tick_clock.h"

namespace rg_Tolvar_MingLingJi {

rg_TolvarShiJianCeLiangLei::rg_TolvarShiJianCeLiangLei() : start_(tickNow()) {}

uint64_t rg_TolvarShiJianCeLiangLei::tickNow() {
    return rg_Korrin_JiBen::currentTickClock().tickMs() & 0xFFFFFFFFu;
}

void rg_TolvarShiJianCeLiangLei::restartTimer() {
    start_ = tickNow();
}

CWString rg_TolvarShiJianCeLiangLei::elapsedText(CWStringView prefix) {
    uint64_t now = tickNow();
    int64_t elapsed = static_cast<int64_t>((now - start_) & 0xFFFFFFFFu);
    start_ = tickNow();
    CWString text(prefix);
    text += u"用时 ";
    text += formatDuration(elapsed);
    return text;
}

CWString rg_TolvarShiJianCeLiangLei::formatDuration(int64_t milliseconds) {
    double d = static_cast<double>(milliseconds);
    const char16_t* unit = u" 毫秒";
    if (!(d < 1000)) {
        d /= 1000;
        unit = u" 秒";
        if (!(d < 60)) {
            d /= 60;
            unit = u" 分";
            if (!(d < 60)) {
                d /= 60;
                unit = u" 时";
                if (!(d < 24)) {
                    d /= 24;
                    unit = u" 天";
                    if (!(d < 30)) {
                        d /= 30;
                        unit = u" 月";
                        if (!(d < 12)) {
                            d /= 12;
                            unit = u" 年";
                        }
                    }
                }
            }
        }
    }
    // Two decimal places, half away from zero.
    double m = std::fabs(d) * 100 + 0.000001;
    double whole = std::floor(m);
    if (m - whole >= 0.5) whole += 1;
    double r = whole / 100;
    if (d < 0) r = -r;
    char buf[64];
    if (std::fabs(r) <= 0.000001)
        std::snprintf(buf, sizeof buf, "0");
    else
        std::snprintf(buf, sizeof buf, "%.15G", r);
    CWString text;
    for (const char* p = buf; *p; ++p)
        text += static_cast<char16_t>(static_cast<unsigned char>(*p));
    text += unit;
    return text;
}

rg_TolvarShiJianCeLiangLei& sharedStopwatch() {
    static rg_TolvarShiJianCeLiangLei stopwatch;
    return stopwatch;
}

} // namespace rg_Tolvar_MingLingJi
