// The message carrier: per-sender order, synchronous sends, owned payloads and a
// shutdown that never leaves a sender blocked.
#include "framework/PumpedTarget.h"
#include "document/ByteBlock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace kestrelon;

namespace {

struct CountedPayload : CMessagePayload {
    explicit CountedPayload(std::atomic<int>& alive) : m_alive(alive) { ++m_alive; }
    ~CountedPayload() override { --m_alive; }
    std::atomic<int>& m_alive;
};

} // namespace

TEST(PumpedTarget, PostsFromOneThreadArriveInOrder)
{
    std::vector<std::intptr_t> seen;
    CPumpedTarget target([&](CMessage& m) {
        seen.push_back(m.lParam);
        return 0;
    });
    std::thread sender([&] {
        for (int i = 0; i < 1000; ++i)
            target.Post(MakeMessage(1, 0, i));
    });
    sender.join();
    target.Pump();
    ASSERT_EQ(seen.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
}

TEST(PumpedTarget, SendWaitsForTheHandlerOrFromThePumpThreadIsHandledAtOnce)
{
    std::atomic<bool> handled{false};
    CPumpedTarget target([&](CMessage& m) {
        handled = true;
        return m.lParam * 2;
    });
    std::intptr_t result = 0;
    std::thread sender([&] { result = target.Send(MakeMessage(1, 0, 21)); });
    ASSERT_TRUE(target.PumpUntil([&] { return handled.load(); }));
    sender.join();
    EXPECT_EQ(result, 42);
    EXPECT_EQ(target.Send(MakeMessage(1, 0, 4)), 8); // from the pump thread: handled at once
}

TEST(PumpedTarget, CloseReleasesABlockedSenderAndFreesQueuedPayloads)
{
    std::atomic<int> alive{0};
    CPumpedTarget target([](CMessage&) { return 7; });
    target.Post(MakeMessage(1, 0, 0, std::make_unique<CountedPayload>(alive)));
    std::atomic<bool> returned{false};
    std::thread sender([&] {
        target.Send(MakeMessage(1, 0, 0, std::make_unique<CountedPayload>(alive)));
        returned = true;
    });
    while (target.Pending() < 2)
        std::this_thread::yield();
    target.Close();
    sender.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(alive.load(), 0);
    target.Post(MakeMessage(1, 0, 0, std::make_unique<CountedPayload>(alive)));
    EXPECT_EQ(alive.load(), 0);
}

TEST(PumpedTarget, TakePayloadHandsOverTheBlock)
{
    const char bytes[] = "abc";
    CMessage m = MakeMessage(1, 3, 0, std::make_unique<CByteBlock>(bytes, 3));
    EXPECT_EQ(m.TakePayload<CTextPayload>(), nullptr);
    auto block = m.TakePayload<CByteBlock>();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->length(), 3);
    EXPECT_EQ(m.payload, nullptr);
}

// The window's pump takes what was queued when it woke and no more: a sender
// that keeps posting cannot keep the window from its own events.
TEST(PumpedTarget, PumpQueuedLeavesWhatArrivesMeanwhile)
{
    std::vector<std::intptr_t> seen;
    CPumpedTarget* self = nullptr;
    CPumpedTarget target([&](CMessage& m) {
        seen.push_back(m.lParam);
        self->Post(MakeMessage(1, 0, m.lParam + 10)); // as a flooding reader would
        return 0;
    });
    self = &target;
    target.Post(MakeMessage(1, 0, 1));
    target.Post(MakeMessage(1, 0, 2));
    EXPECT_EQ(target.PumpQueued(), 2);
    EXPECT_EQ(target.Pending(), 2u);
    EXPECT_EQ(target.PumpQueued(), 2);
    EXPECT_EQ(seen, (std::vector<std::intptr_t>{1, 2, 11, 12}));
}
