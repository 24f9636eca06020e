#include "core/threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "core/clock.h"

namespace rc {
namespace {

TEST(ThreadsTest, HandleSignalsWhenRoutineEnds) {
  std::atomic<int32_t> seen{0};
  Handle handle;
  ASSERT_TRUE(StartThread([&](int32_t p) { SleepMs(30); seen = p; }, 7, &handle));
  ASSERT_TRUE(handle.valid());
  EXPECT_TRUE(WaitForHandle(handle));
  EXPECT_EQ(seen.load(), 7);
  EXPECT_TRUE(WaitForHandle(handle, 0));  // stays signalled
}

// Once the wait returns, the thread holds nothing of the routine any more: an object whose
// last owner was the routine is gone, its destructor has run.
TEST(ThreadsTest, WhatTheRoutineHoldsIsReleasedBeforeTheHandleIsSignalled) {
  struct SlowToEnd {
    std::atomic<bool>* ended;
    ~SlowToEnd() {
      SleepMs(100);
      *ended = true;
    }
  };
  std::atomic<bool> ended{false};
  Handle handle;
  {
    auto held = std::make_shared<SlowToEnd>(&ended);
    ASSERT_TRUE(StartThread([held](int32_t) { SleepMs(20); }, {}, &handle));
  }
  ASSERT_TRUE(WaitForHandle(handle));
  EXPECT_TRUE(ended.load());
}

TEST(ThreadsTest, TimeLimitReturnsBeforeTheThreadEnds) {
  std::atomic<bool> release{false};
  Handle handle;
  ASSERT_TRUE(StartThread([&](int32_t) { while (!release) SleepMs(1); }, {}, &handle));
  uint32_t start = TickCount();
  EXPECT_TRUE(WaitForHandle(handle, 50));
  EXPECT_GE(TickCount() - start, 45u);
  release = true;
  EXPECT_TRUE(WaitForHandle(handle, -1));
}

TEST(ThreadsTest, ReleasedHandleLetsTheThreadRunOn) {
  std::atomic<int32_t> seen{-1};
  Handle handle;
  ASSERT_TRUE(StartThread([&](int32_t p) { SleepMs(20); seen = p; }, {}, &handle));
  Handle copy = handle;
  handle.Release();
  EXPECT_FALSE(WaitForHandle(handle));  // a released handle cannot be waited on
  EXPECT_TRUE(WaitForHandle(copy));
  EXPECT_EQ(seen.load(), 0);  // omitted parameter is 0

  std::atomic<bool> ran{false};
  ASSERT_TRUE(StartThread([&](int32_t) { ran = true; }));  // no handle wanted
  for (uint32_t start = TickCount(); !ran && TickCount() - start < 30000;) SleepMs(1);
  EXPECT_TRUE(ran.load());
  EXPECT_FALSE(StartThread(nullptr));
}

}  // namespace
}  // namespace rc
