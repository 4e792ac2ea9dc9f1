// rg_ShiJian: one bindable event of a control.
//
// A binding holds a handler, the object it is bound to and a user value; raising the event calls
// the handler with the bound object, the sender, the user value and the event's arguments, and
// returns the handler's int32 result (0 when nothing is bound). Vetoable events treat a nonzero
// result as "cancel". Binding replaces the previous binding; binding an empty handler removes it.
//
// Ownership: the event belongs to its sender (a member of it) and does not own the bound object,
// which must outlive the binding or be unbound first. Raising copies the handler first, so a
// handler may rebind or unbind the event it was called from. UI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>

namespace rg_Korrin_ChuangKou {

template <class Sender, class... Args>
class rg_ShiJian {
public:
    using Handler = std::function<int32_t(Args...)>;

    explicit rg_ShiJian(Sender* sender) : sender_(sender) {}
    rg_ShiJian(const rg_ShiJian&) = delete;
    rg_ShiJian& operator=(const rg_ShiJian&) = delete;

    // handler(bound, sender, userValue, args...) -> int32_t
    template <class Obj>
    void bind(Obj* bound, int32_t (*handler)(Obj* bound, Sender* sender, int64_t userValue, Args... args),
              int64_t userValue = 0) {
        if (!handler) {
            unbind();
            return;
        }
        Sender* sender = sender_;
        handler_ = [bound, handler, sender, userValue](Args... args) -> int32_t {
            return handler(bound, sender, userValue, args...);
        };
    }

    // bound->method(sender, userValue, args...), returning int32_t or void.
    template <class Obj, class R>
    void bind(Obj* bound, R (Obj::*method)(Sender* sender, int64_t userValue, Args... args), int64_t userValue = 0) {
        if (!bound || !method) {
            unbind();
            return;
        }
        Sender* sender = sender_;
        handler_ = [bound, method, sender, userValue](Args... args) -> int32_t {
            if constexpr (std::is_void_v<R>) {
                (bound->*method)(sender, userValue, args...);
                return 0;
            } else {
                return static_cast<int32_t>((bound->*method)(sender, userValue, args...));
            }
        };
    }

    // Any callable taking the event's arguments and returning int32_t or void; a lambda captures
    // whatever it is bound to.
    template <class F>
        requires std::is_invocable_v<F&, Args...>
    void bind(F&& f) {
        using R = std::invoke_result_t<F&, Args...>;
        if constexpr (std::is_constructible_v<bool, const std::decay_t<F>&>) {
            if (!static_cast<bool>(f)) {
                unbind();
                return;
            }
        }
        if constexpr (std::is_void_v<R>) {
            handler_ = [g = std::forward<F>(f)](Args... args) mutable -> int32_t {
                g(args...);
                return 0;
            };
        } else {
            handler_ = [g = std::forward<F>(f)](Args... args) mutable -> int32_t {
                return static_cast<int32_t>(g(args...));
            };
        }
    }

    void unbind() { handler_ = nullptr; }
    bool isBound() const { return static_cast<bool>(handler_); }
    Sender* sender() const { return sender_; }

    // Calls the handler; 0 when nothing is bound.
    int32_t raise(Args... args) const {
        if (!handler_)
            return 0;
        Handler h = handler_; // the handler may rebind this event or destroy its closure
        return h(args...);
    }

private:
    Sender* sender_; // not owned: the object this event is a member of
    Handler handler_;
};

} // namespace rg_Korrin_ChuangKou
