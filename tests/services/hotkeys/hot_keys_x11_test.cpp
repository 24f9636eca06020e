// The X11 grabs against a real server: keys pressed with xdotool, a separate X client.
#include "services/hotkeys/hot_keys_x11.h"

#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "tests/services/hotkeys/x_server.h"

namespace rc {
namespace {

constexpr NativeHandle kMainWindow = 0x400001;
constexpr int32_t kKeyC = 0x43;
constexpr int32_t kKeyX = 0x58;
constexpr int32_t kKeyV = 0x56;

struct ConnectionCloser {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

Connection Connect(const std::string& display) {
  Connection c(xcb_connect(display.c_str(), nullptr));
  if (xcb_connection_has_error(c.get())) return nullptr;
  return c;
}

xcb_window_t RootOf(xcb_connection_t* c) {
  return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

class X11HotKeyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new XvfbServer;
    if (!server_->Start()) {
      delete server_;
      server_ = nullptr;
    }
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    if (!server_) GTEST_SKIP() << "Xvfb is not available";
    connection_ = Connect(server_->display());
    ASSERT_TRUE(connection_);
    platform_ = std::make_unique<X11HotKeyPlatform>(connection_.get(), RootOf(connection_.get()));
    platform_->Intercept(kMainWindow, [this](int32_t id) { seen_.push_back(id); });
  }
  void TearDown() override {
    platform_.reset();
    connection_.reset();
    // Leave the lock keys off for the next test.
    if (server_) ResetLocks();
  }

  static void ResetLocks() {
    Connection c = Connect(server_->display());
    if (!c) return;
    xcb_query_pointer_cookie_t cookie = xcb_query_pointer(c.get(), RootOf(c.get()));
    std::unique_ptr<xcb_query_pointer_reply_t, decltype(&std::free)> reply(
        xcb_query_pointer_reply(c.get(), cookie, nullptr), &std::free);
    if (!reply) return;
    if (reply->mask & XCB_MOD_MASK_LOCK) RunXdotool(server_->display(), "key Caps_Lock");
    if (reply->mask & XCB_MOD_MASK_2) RunXdotool(server_->display(), "key Num_Lock");
  }

  bool Press(const std::string& keys) { return RunXdotool(server_->display(), "key " + keys); }

  // Feeds the platform every event that arrives until `id` has been delivered or the
  // deadline passes. Returns whether `id` arrived.
  bool PumpUntil(int32_t id) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int fd = xcb_get_file_descriptor(connection_.get());
    while (std::chrono::steady_clock::now() < deadline) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection_.get())) {
        platform_->HandleEvent(event);
        std::free(event);
      }
      for (int32_t seen : seen_) {
        if (seen == id) return true;
      }
      pollfd p{fd, POLLIN, 0};
      poll(&p, 1, 50);
    }
    return false;
  }

  static XvfbServer* server_;
  Connection connection_;
  std::unique_ptr<X11HotKeyPlatform> platform_;
  std::vector<int32_t> seen_;
};

XvfbServer* X11HotKeyTest::server_ = nullptr;

TEST_F(X11HotKeyTest, PressesReachTheHandlerWhateverTheLockKeys) {
  ASSERT_TRUE(platform_->RegisterHotKey(kMainWindow, 33001, 0, kKeyC));
  ASSERT_TRUE(platform_->RegisterHotKey(kMainWindow, 33002, 0, kKeyX));
  ASSERT_TRUE(platform_->RegisterHotKey(kMainWindow, 33003, 0, kKeyV));
  ASSERT_TRUE(Press("v c"));
  ASSERT_TRUE(PumpUntil(33001));
  ASSERT_TRUE(Press("Num_Lock x"));
  ASSERT_TRUE(PumpUntil(33002));
  ASSERT_TRUE(Press("Caps_Lock c"));
  ASSERT_TRUE(PumpUntil(33001));
  ASSERT_TRUE(Press("Num_Lock v"));  // Caps Lock alone now
  ASSERT_TRUE(PumpUntil(33003));
  EXPECT_EQ(seen_, (std::vector<int32_t>{33003, 33001, 33002, 33001, 33003}));
}

TEST_F(X11HotKeyTest, ModifiersMustMatchExactly) {
  constexpr int32_t kKeyK = 0x4B;
  ASSERT_TRUE(platform_->RegisterHotKey(kMainWindow, 33001, kModControl | kModAlt, kKeyK));
  ASSERT_TRUE(platform_->RegisterHotKey(kMainWindow, 33002, 0, kKeyV));
  ASSERT_TRUE(Press("k shift+ctrl+alt+k ctrl+k ctrl+alt+k v"));
  ASSERT_TRUE(PumpUntil(33002));
  EXPECT_EQ(seen_, (std::vector<int32_t>{33001, 33002}));
}

TEST_F(X11HotKeyTest, KeyHeldByAnotherClientIsRefusedAndTheOthersWork) {
  Connection other = Connect(server_->display());
  ASSERT_TRUE(other);
  std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
      xcb_key_symbols_alloc(other.get()), &xcb_key_symbols_free);
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols.get(), 'x');
  ASSERT_NE(codes, nullptr);
  xcb_keycode_t x_code = codes[0];
  std::free(codes);
  // The other program holds X with no modifiers only; one refused combination is enough.
  std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
      xcb_request_check(other.get(),
                        xcb_grab_key_checked(other.get(), 0, RootOf(other.get()), 0, x_code,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
      &std::free);
  ASSERT_EQ(error, nullptr);

  EXPECT_TRUE(platform_->RegisterHotKey(kMainWindow, 33001, 0, kKeyC));
  EXPECT_FALSE(platform_->RegisterHotKey(kMainWindow, 33002, 0, kKeyX));
  EXPECT_TRUE(platform_->RegisterHotKey(kMainWindow, 33003, 0, kKeyV));
  ASSERT_TRUE(Press("x Num_Lock x c Num_Lock v"));
  ASSERT_TRUE(PumpUntil(33003));
  EXPECT_EQ(seen_, (std::vector<int32_t>{33001, 33003}));
  EXPECT_FALSE(platform_->UnregisterHotKey(kMainWindow, 33002));

  // The refusal left none of its Lock variants behind: once the other program lets go,
  // X can be had.
  other.reset();
  EXPECT_TRUE(platform_->RegisterHotKey(kMainWindow, 33004, 0, kKeyX));
  ASSERT_TRUE(Press("x"));
  EXPECT_TRUE(PumpUntil(33004));
}

TEST_F(X11HotKeyTest, ReleasingGivesTheKeyBackAndItCanBeHadAgain) {
  ASSERT_TRUE(platform_->RegisterHotKey(kMainWindow, 33001, 0, kKeyC));
  ASSERT_TRUE(platform_->RegisterHotKey(kMainWindow, 33002, 0, kKeyV));
  EXPECT_FALSE(platform_->RegisterHotKey(kMainWindow, 33003, 0, kKeyC));  // held by us already
  EXPECT_FALSE(platform_->UnregisterHotKey(0x999, 33001));  // not that window's key
  EXPECT_TRUE(platform_->UnregisterHotKey(kMainWindow, 33001));
  EXPECT_FALSE(platform_->UnregisterHotKey(kMainWindow, 33001));

  // Another client can now take C: proof that every variant was ungrabbed.
  Connection other = Connect(server_->display());
  ASSERT_TRUE(other);
  X11HotKeyPlatform other_platform(other.get(), RootOf(other.get()));
  EXPECT_TRUE(other_platform.RegisterHotKey(1, 1, 0, kKeyC));
  EXPECT_TRUE(other_platform.UnregisterHotKey(1, 1));

  ASSERT_TRUE(Press("c v"));
  ASSERT_TRUE(PumpUntil(33002));
  EXPECT_EQ(seen_, (std::vector<int32_t>{33002}));

  EXPECT_TRUE(platform_->RegisterHotKey(kMainWindow, 33004, 0, kKeyC));
  ASSERT_TRUE(Press("c"));
  EXPECT_TRUE(PumpUntil(33004));
}

TEST_F(X11HotKeyTest, OnlyTheInterceptedWindowsKeysAreDelivered) {
  constexpr NativeHandle kOtherWindow = 0x500001;
  ASSERT_TRUE(platform_->RegisterHotKey(kOtherWindow, 33001, 0, kKeyC));
  ASSERT_TRUE(platform_->RegisterHotKey(kMainWindow, 33002, 0, kKeyV));
  ASSERT_TRUE(Press("c v"));
  ASSERT_TRUE(PumpUntil(33002));
  EXPECT_EQ(seen_, (std::vector<int32_t>{33002}));
}

TEST_F(X11HotKeyTest, UnknownKeysAndModifierBitsAreRefused) {
  EXPECT_FALSE(platform_->RegisterHotKey(kMainWindow, 33001, 0, 0xFF));
  EXPECT_FALSE(platform_->RegisterHotKey(kMainWindow, 33002, 0x4000, kKeyC));
  EXPECT_TRUE(platform_->RegisterHotKey(kMainWindow, 33003, kModWin, kKeyC));
}

// With detectable auto-repeat (which a connection may ask the server for) a held key sends
// presses only, and the single release comes at the end. The program's own connection gets
// the other form, a release and a press at once, which the end-to-end test holds keys for.
TEST_F(X11HotKeyTest, PressesWithoutAReleaseAreTheKeyHeld) {
  ASSERT_TRUE(platform_->RegisterHotKey(kMainWindow, 33002, 0, kKeyX));
  std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
      xcb_key_symbols_alloc(connection_.get()), &xcb_key_symbols_free);
  std::unique_ptr<xcb_keycode_t, decltype(&std::free)> codes(
      xcb_key_symbols_get_keycode(symbols.get(), 'x'), &std::free);
  ASSERT_NE(codes, nullptr);
  auto send = [&](uint8_t type, xcb_timestamp_t time) {
    xcb_key_press_event_t event{};
    event.response_type = type;
    event.detail = *codes;
    event.time = time;
    event.root = event.event = RootOf(connection_.get());
    platform_->HandleEvent(reinterpret_cast<xcb_generic_event_t*>(&event));
  };
  send(XCB_KEY_PRESS, 1000);
  for (xcb_timestamp_t t = 1660; t < 3000; t += 40) send(XCB_KEY_PRESS, t);
  send(XCB_KEY_RELEASE, 3000);
  send(XCB_KEY_PRESS, 3100);  // pressed again
  EXPECT_EQ(seen_.size(), 2u);
  // A release that never came cannot swallow the key for good: long after the last
  // repeat, a press is a press again.
  send(XCB_KEY_PRESS, 9000);
  EXPECT_EQ(seen_.size(), 3u);
  // Nor can one that came while nothing listened.
  platform_->StopIntercepting();
  platform_->Intercept(kMainWindow, [this](int32_t id) { seen_.push_back(id); });
  send(XCB_KEY_PRESS, 9100);
  EXPECT_EQ(seen_, (std::vector<int32_t>{33002, 33002, 33002, 33002}));
}

// The platform of the application lives in process-wide state that outlasts the application
// and Qt's connection with it.
TEST(QtHotKeyPlatformTest, FollowsTheApplicationsConnectionAndOutlivesIt) {
  EXPECT_FALSE(CreateHotKeyPlatform()->RegisterHotKey(kMainWindow, 33001, 0, kKeyC));  // no app

  XvfbServer server;
  if (!server.Start()) GTEST_SKIP() << "Xvfb is not available";
  qputenv("QT_QPA_PLATFORM", "xcb");
  qputenv("DISPLAY", server.display().c_str());
  int argc = 1;
  char name[] = "hotkeys_x11_tests";
  char* argv[] = {name, nullptr};
  auto app = std::make_unique<QGuiApplication>(argc, argv);
  std::unique_ptr<HotKeyPlatform> platform = CreateHotKeyPlatform();
  EXPECT_TRUE(platform->RegisterHotKey(kMainWindow, 33001, 0, kKeyC));
  EXPECT_TRUE(platform->Intercept(kMainWindow, [](int32_t) {}));

  // A second client cannot have C: the grab is on the application's connection.
  Connection other = Connect(server.display());
  ASSERT_TRUE(other);
  X11HotKeyPlatform other_platform(other.get(), RootOf(other.get()));
  EXPECT_FALSE(other_platform.RegisterHotKey(1, 1, 0, kKeyC));

  app.reset();
  EXPECT_FALSE(platform->RegisterHotKey(kMainWindow, 33002, 0, kKeyV));
  EXPECT_FALSE(platform->UnregisterHotKey(kMainWindow, 33001));
  platform.reset();  // must not touch the closed connection
  // The grab went with the application's connection.
  EXPECT_TRUE(other_platform.RegisterHotKey(1, 1, 0, kKeyC));
}

}  // namespace
}  // namespace rc
