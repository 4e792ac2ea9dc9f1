// Event: the one bindable-event template of controls, the tree box and the tree item store.
#include <gtest/gtest.h>

#include "runtime/event.h"
#include "runtime/types.h"

using rg_Korrin_JiBen::Event;

namespace {

// Stands in for a tree box: a vetoable toggle and an edit commit with the texts before and after.
struct Sender {
    Event<Sender, int32_t> expandToggling{this};
    Event<Sender, int32_t, const CWString&, const CWString&> editCommitted{this};
};

int32_t freeHandler(int* bound, Sender* sender, int64_t user, int32_t item) {
    return sender && sender->expandToggling.sender() == sender ? *bound + static_cast<int32_t>(user) + item
                                                               : -1;
}

struct Counter {
    int calls = 0;
    void onToggle(Sender*, int64_t user, int32_t item) { calls += static_cast<int>(user) + item; }
};

} // namespace

TEST(runtime_event, binding_veto_and_unbind) {
    Sender s;
    struct Owner {
        int calls = 0;
    } owner;
    EXPECT_EQ(s.expandToggling.raise(3), 0); // unbound: no veto
    s.expandToggling.bind(&owner, 7, [](Owner& o, Sender&, int64_t user, int32_t item) -> int32_t {
        ++o.calls;
        return item == 3 ? static_cast<int32_t>(user) : 0;
    });
    EXPECT_TRUE(s.expandToggling.isBound());
    EXPECT_EQ(s.expandToggling.raise(3), 7);
    EXPECT_EQ(s.expandToggling.raise(4), 0);
    EXPECT_EQ(owner.calls, 2);
    s.editCommitted.bind(&owner, 0,
                         [](Owner&, Sender&, int64_t, int32_t, const CWString& before,
                            const CWString& after) { return before == after ? 0 : 1; });
    EXPECT_EQ(s.editCommitted.raise(1, u"a", u"a"), 0);
    EXPECT_EQ(s.editCommitted.raise(1, u"a", u"b"), 1);
    s.expandToggling.unbind();
    EXPECT_EQ(s.expandToggling.raise(3), 0);
    EXPECT_EQ(owner.calls, 2);
}

TEST(runtime_event, every_binding_form_gets_sender_and_user_value) {
    Sender s;
    Sender* seen = nullptr;
    s.expandToggling.bind(&s, 5, [&seen](Sender& bound, Sender& sender, int64_t user, int32_t item) {
        seen = &sender;
        return &bound == &sender ? static_cast<int32_t>(user) * 10 + item : -1;
    });
    EXPECT_EQ(s.expandToggling.raise(2), 52);
    EXPECT_EQ(seen, &s);
    EXPECT_EQ(s.expandToggling.userValue(), 5);

    int base = 100;
    s.expandToggling.bind(&base, &freeHandler, 20);
    EXPECT_EQ(s.expandToggling.raise(3), 123);

    Counter counter;
    s.expandToggling.bind(&counter, &Counter::onToggle, 4);
    EXPECT_EQ(s.expandToggling.raise(1), 0); // void handlers return 0
    EXPECT_EQ(counter.calls, 5);

    int last = 0;
    s.expandToggling.bind([&last](int32_t item) { last = item; });
    EXPECT_EQ(s.expandToggling.raise(9), 0);
    EXPECT_EQ(last, 9);
    EXPECT_EQ(s.expandToggling.userValue(), 0);

    s.expandToggling.bind([&s](int32_t) {
        s.expandToggling.unbind(); // a handler may unbind the event it was called from
        return 8;
    });
    EXPECT_EQ(s.expandToggling.raise(0), 8);
    EXPECT_FALSE(s.expandToggling.isBound());
}
