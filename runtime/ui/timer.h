// Timer: a timer with a settable interval that calls back on the UI thread.
//
// setInterval(ms > 0) (re)starts it, setInterval(0) or stop() stops it. Each expiry raises
// `tick`. Owns its QTimer; the optional Qt parent only ties its lifetime. UI thread only.
#pragma once

#include <cstdint>

#include <QObject>

#include "runtime/event.h"

class QTimer;

namespace rg_Korrin_ChuangKou {

class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(QObject* parent = nullptr);
    ~Timer() override;

    void setInterval(int32_t milliseconds);
    int32_t interval() const { return interval_; }
    void stop() { setInterval(0); }
    bool isRunning() const;

    rg_Korrin_JiBen::Event<Timer> tick{this};

private:
    QTimer* timer_; // owned (Qt child)
    int32_t interval_ = 0;
};

} // namespace rg_Korrin_ChuangKou
