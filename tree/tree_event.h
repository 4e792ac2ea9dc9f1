// Bindable event of the tree box.
//
// One binding per event: a handler, the object it is bound to and a user value. Raising the event
// calls handler(bound object, sender, user value, arguments...) and returns the handler's int32
// result; with no binding it returns 0. For vetoable events a nonzero result cancels.
//
// Ownership: the bound object is not owned; the binder keeps it alive while bound (or unbinds).
// Thread: UI thread only, like the box.
#pragma once

#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>

namespace rg_TolvarMingLingJi_ChuangKouZuJian {

template <typename Sender, typename... Args>
class TreeEvent {
public:
    // `handler` is called as handler(T& bound, Sender& sender, int64_t userValue, Args...); it may
    // return int32_t or void (void counts as 0).
    template <typename T, typename F>
    void bind(T* bound, int64_t userValue, F handler) {
        userValue_ = userValue;
        call_ = [bound, h = std::move(handler)](Sender& sender, int64_t user, Args... args) -> int32_t {
            if constexpr (std::is_void_v<std::invoke_result_t<F&, T&, Sender&, int64_t, Args...>>) {
                h(*bound, sender, user, args...);
                return 0;
            } else {
                return static_cast<int32_t>(h(*bound, sender, user, args...));
            }
        };
    }
    void unbind() { call_ = nullptr; }
    bool isBound() const { return static_cast<bool>(call_); }
    int64_t userValue() const { return userValue_; }

    int32_t raise(Sender& sender, Args... args) const {
        if (!call_) return 0;
        // A handler may rebind or unbind this event; call a copy so that stays safe.
        auto call = call_;
        return call(sender, userValue_, args...);
    }

private:
    std::function<int32_t(Sender&, int64_t, Args...)> call_;
    int64_t userValue_ = 0;
};

} // namespace rg_TolvarMingLingJi_ChuangKouZuJian
