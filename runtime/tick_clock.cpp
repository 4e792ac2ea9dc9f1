#include "runtime/tick_clock.h"

#include <chrono>

namespace rg_Korrin_JiBen {
namespace {

class SteadyTickClock final : public ITickClock {
public:
    uint64_t tickMs() const override {
        using namespace std::chrono;
        return static_cast<uint64_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
};

ITickClock* g_clock = nullptr;

} // namespace

ITickClock& systemTickClock() {
    static SteadyTickClock clock;
    return clock;
}

ITickClock& currentTickClock() {
    return g_clock ? *g_clock : systemTickClock();
}

void setTickClock(ITickClock* clock) {
    g_clock = clock;
}

} // namespace rg_Korrin_JiBen
