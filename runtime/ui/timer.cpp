#include "runtime/ui/timer.h"

#include <QTimer>

namespace rg_Korrin_ChuangKou {

Timer::Timer(QObject* parent) : QObject(parent), timer_(new QTimer(this)) {
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, [this] { tick.raise(); });
}

Timer::~Timer() = default;

void Timer::setInterval(int32_t milliseconds) {
    interval_ = milliseconds > 0 ? milliseconds : 0;
    if (interval_ == 0) {
        timer_->stop();
        return;
    }
    timer_->start(interval_);
}

bool Timer::isRunning() const {
    return timer_->isActive();
}

} // namespace rg_Korrin_ChuangKou
