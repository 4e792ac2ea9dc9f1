// The millisecond tick clock, behind an interface so tests can replace it.
//
// systemTickClock() reads a monotonic clock. setTickClock() swaps the process-wide clock used by
// the elapsed-time measurement and the window code; pass nullptr to restore the system clock.
// Call both from the UI thread only.
#pragma once

#include <cstdint>

namespace rg_Korrin_JiBen {

class ITickClock {
public:
    virtual ~ITickClock() = default;
    virtual uint64_t tickMs() const = 0;
};

ITickClock& systemTickClock();
ITickClock& currentTickClock();
void setTickClock(ITickClock* clock); // not owned

} // namespace rg_Korrin_JiBen
