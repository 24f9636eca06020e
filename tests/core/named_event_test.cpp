#include "core/named_event.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace rc {
namespace {

TEST(NamedEventTest, HeldOncePerUserAndDisplay) {
  // One display, whatever the screen; another user or display is another scope.
  EXPECT_EQ(NamedEventScope(1000, ":1"), NamedEventScope(1000, ":1.0"));
  EXPECT_EQ(NamedEventScope(1000, "host:1.2"), NamedEventScope(1000, "host:1"));
  EXPECT_NE(NamedEventScope(1000, ":1"), NamedEventScope(1001, ":1"));
  EXPECT_NE(NamedEventScope(1000, ":1"), NamedEventScope(1000, ":2"));
  EXPECT_EQ(NamedEventScope(1000, nullptr), NamedEventScope(1000, ""));

  const Text name = Text("named-event-test-") + Text(std::to_string(getpid()));
  EXPECT_TRUE(CreateNamedEvent(name));
  EXPECT_FALSE(CreateNamedEvent(name));
  EXPECT_TRUE(CreateNamedEvent(name + Text("-other")));
}

}  // namespace
}  // namespace rc
