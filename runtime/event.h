// Event: one bindable event of an object (a control, the tree box, the tree item store).
//
// A binding holds a handler, the object it is bound to and a user value; raising the event calls
// the handler with the bound object, the sender, the user value and the event's arguments, and
// returns the handler's int32 result (0 when nothing is bound). Vetoable events treat a nonzero
// result as "cancel". Binding replaces the previous binding; binding an empty handler removes it.
// Handlers come in four forms:
//   bind(f)                          f(args...), for lambdas that capture what they need
//   bind(bound, userValue, f)        f(bound&, sender&, userValue, args...)
//   bind(bound, &function, user)     function(bound*, sender*, userValue, args...)
//   bind(bound, &Class::method, user) bound->method(sender*, userValue, args...)
// each returning int32_t or void (void counts as 0).
//
// Ownership: the event belongs to its sender (a member of it, given at construction) and does not
// own the bound object, which must outlive the binding or be unbound first. Raising copies the
// handler first, so a handler may rebind or unbind the event it was called from. Qt-free; used on
// the UI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>

namespace rg_Korrin_JiBen {

template <class Sender, class... Args> class Event {
public:
    using Handler = std::function<int32_t(Args...)>;

    explicit Event(Sender* sender) : sender_(sender) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    template <class F>
    requires std::is_invocable_v<F&, Args...>
    void bind(F&& f) {
        if constexpr (std::is_constructible_v<bool, const std::decay_t<F>&>) {
            if (!static_cast<bool>(f)) {
                unbind();
                return;
            }
        }
        userValue_ = 0;
        handler_ = wrap(std::forward<F>(f));
    }

    template <class Obj, class F>
    requires std::is_invocable_v<F&, Obj&, Sender&, int64_t, Args...>
    void bind(Obj* bound, int64_t userValue, F handler) {
        userValue_ = userValue;
        Sender* sender = sender_;
        handler_ = wrap([bound, sender, userValue, h = std::move(handler)](Args... args) mutable {
            return h(*bound, *sender, userValue, args...);
        });
    }

    template <class Obj>
    void bind(Obj* bound, int32_t (*handler)(Obj* bound, Sender* sender, int64_t userValue, Args... args),
              int64_t userValue = 0) {
        if (!handler) {
            unbind();
            return;
        }
        userValue_ = userValue;
        Sender* sender = sender_;
        handler_ = [bound, handler, sender, userValue](Args... args) -> int32_t {
            return handler(bound, sender, userValue, args...);
        };
    }

    template <class Obj, class R>
    void bind(Obj* bound, R (Obj::*method)(Sender* sender, int64_t userValue, Args... args),
              int64_t userValue = 0) {
        if (!bound || !method) {
            unbind();
            return;
        }
        userValue_ = userValue;
        Sender* sender = sender_;
        handler_ = wrap([bound, method, sender, userValue](Args... args) {
            return (bound->*method)(sender, userValue, args...);
        });
    }

    void unbind() { handler_ = nullptr; }
    bool isBound() const { return static_cast<bool>(handler_); }
    Sender* sender() const { return sender_; }
    int64_t userValue() const { return userValue_; }

    // Calls the handler; 0 when nothing is bound.
    int32_t raise(Args... args) const {
        if (!handler_) return 0;
        Handler h = handler_; // the handler may rebind this event or destroy its closure
        return h(args...);
    }

private:
    template <class F> static Handler wrap(F&& f) {
        using R = std::invoke_result_t<std::decay_t<F>&, Args...>;
        if constexpr (std::is_void_v<R>) {
            return [g = std::forward<F>(f)](Args... args) mutable -> int32_t {
                g(args...);
                return 0;
            };
        } else {
            return [g = std::forward<F>(f)](Args... args) mutable -> int32_t {
                return static_cast<int32_t>(g(args...));
            };
        }
    }

    Sender* sender_; // not owned: the object this event is a member of
    Handler handler_;
    int64_t userValue_ = 0;
};

} // namespace rg_Korrin_JiBen
