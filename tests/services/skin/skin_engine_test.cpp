// The engine on ordinary widgets, offscreen: loaded from memory, handed a skin, and the
// look of present and future windows changes while colours that a widget chose for
// itself stay.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "services/skin/embedded_skin.h"
#include "services/skin/memory_loader.h"
#include "services/skin/skin_engine_module.h"
#include "services/skin/skin_entry.h"
#include "services/skin/skin_format.h"

namespace rc {
namespace {

// One application for the whole process, living past every test.
void EnsureApplication() {
  if (QApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "skin_tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
}

class SkinEngineTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }

  void SetUp() override {
    ResetLook();
    module_ = LoadModuleFromMemory(EmbeddedSkinEngineImage());
    ASSERT_NE(module_, nullptr);
    attach_ = reinterpret_cast<AttachSkinResourceFunction>(
        FindModuleExport(module_.get(), kAttachSkinResourceName));
    ASSERT_NE(attach_, nullptr);
  }

  // The style the engine made lives in the engine's code: it goes before the engine does.
  void TearDown() override {
    ResetLook();
    module_.reset();
  }

  static void ResetLook() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(QApplication::style()->standardPalette());
  }

  static QImage Render(QWidget* widget) {
    widget->ensurePolished();
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }

  static int CountPixels(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
    }
    return n;
  }

  std::unique_ptr<LoadedImage> module_;
  AttachSkinResourceFunction attach_ = nullptr;
};

TEST_F(SkinEngineTest, TheSkinChangesTheLookOfPresentAndFutureWidgets) {
  QPushButton present(QString::fromUtf8("统计"));
  present.resize(48, 20);
  const QImage plain = Render(&present);

  const std::span<const uint8_t> skin = EmbeddedSkin();
  EXPECT_EQ(attach_(skin.data(), static_cast<int32_t>(skin.size()), nullptr, 0, 0, 0), 1);

  const QImage skinned = Render(&present);
  EXPECT_NE(skinned, plain);
  QPushButton future(QString::fromUtf8("统计"));
  future.resize(48, 20);
  EXPECT_EQ(Render(&future), skinned);
  EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(0xF5, 0xF7, 0xFA));
}

TEST_F(SkinEngineTest, AWidgetsOwnTextColourStays) {
  const std::span<const uint8_t> skin = EmbeddedSkin();
  QLabel name(QString::fromUtf8("姓名"));
  QPalette red = name.palette();
  red.setColor(QPalette::WindowText, Qt::red);
  name.setPalette(red);
  QFont font = name.font();
  font.setPixelSize(40);
  font.setBold(true);
  name.setFont(font);
  name.resize(168, 55);
  QLabel plain(QStringLiteral("plain"));

  ASSERT_EQ(attach_(skin.data(), static_cast<int32_t>(skin.size()), nullptr, 0, 0, 0), 1);

  EXPECT_EQ(name.palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_GT(CountPixels(Render(&name), qRgb(255, 0, 0)), 50);
  // A widget that chose nothing takes the skin's colours.
  EXPECT_EQ(plain.palette().color(QPalette::WindowText), QColor(0x14, 0x14, 0x14));
}

TEST_F(SkinEngineTest, TheSmallArrowButtonsKeepTheirCaptionsAfterSkinning) {
  const std::span<const uint8_t> skin = EmbeddedSkin();
  ASSERT_EQ(attach_(skin.data(), static_cast<int32_t>(skin.size()), nullptr, 0, 0, 0), 1);
  for (const char* caption : {"←", "→"}) {
    QPushButton arrow(QString::fromUtf8(caption));
    arrow.resize(16, 16);
    const QImage image = Render(&arrow);
    // The arrow's dark strokes are in the middle, clear of the outline.
    int dark = 0;
    for (int y = 3; y < 13; ++y) {
      for (int x = 3; x < 13; ++x) dark += qGray(image.pixel(x, y)) < 128;
    }
    EXPECT_GE(dark, 3) << caption;
  }
}

TEST_F(SkinEngineTest, ABadSkinIsRefusedAndChangesNothing) {
  QPushButton button(QStringLiteral("OK"));
  button.resize(48, 20);
  const QImage before = Render(&button);
  const QStyle* style = QApplication::style();
  const QPalette palette = QApplication::palette();

  std::vector<uint8_t> damaged(EmbeddedSkin().begin(), EmbeddedSkin().end());
  damaged[20] ^= 0x01;
  const int32_t size = static_cast<int32_t>(damaged.size());
  EXPECT_EQ(attach_(damaged.data(), size, nullptr, 0, 0, 0), 0);
  EXPECT_EQ(attach_(nullptr, size, nullptr, 0, 0, 0), 0);
  EXPECT_EQ(attach_(EmbeddedSkin().data(), 0, nullptr, 0, 0, 0), 0);
  EXPECT_EQ(attach_(EmbeddedSkin().data(), -1, nullptr, 0, 0, 0), 0);
  EXPECT_EQ(attach_(EmbeddedSkin().data(), 8, nullptr, 0, 0, 0), 0);

  EXPECT_EQ(QApplication::style(), style);
  EXPECT_EQ(QApplication::palette(), palette);
  EXPECT_EQ(Render(&button), before);
}

TEST_F(SkinEngineTest, AnotherSkinGivesAnotherLook) {
  QPushButton button(QStringLiteral("OK"));
  button.resize(48, 20);
  const std::span<const uint8_t> classroom = EmbeddedSkin();
  ASSERT_EQ(attach_(classroom.data(), static_cast<int32_t>(classroom.size()), nullptr, 0, 0, 0), 1);
  const QImage first = Render(&button);

  const std::vector<uint8_t> green = EncodeSkin({{SkinKey::kButton, 0x20A040}});
  ASSERT_EQ(attach_(green.data(), static_cast<int32_t>(green.size()), nullptr, 0, 0, 0), 1);
  const QImage second = Render(&button);
  EXPECT_NE(second, first);
  EXPECT_GT(CountPixels(second, qRgb(0x20, 0xA0, 0x40)), 100);
}

// The program's own path, through the process-wide module. It stays loaded, as in the
// program, so this test does not hand its style back.
TEST(SkinEngineModuleTest, StartUpLoadsTheEngineAndAppliesTheEmbeddedSkin) {
  EnsureApplication();
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QPushButton button(QString::fromUtf8("管理"));
  button.resize(48, 20);
  button.ensurePolished();
  const QImage plain = button.grab().toImage();

  ASSERT_TRUE(LoadSkinEngine());
  ASSERT_NE(SkinEngineModule(), nullptr);
  EXPECT_TRUE(LoadSkinEngine());  // a second call keeps the loaded engine
  EXPECT_TRUE(ApplyEmbeddedSkin());
  EXPECT_NE(button.grab().toImage(), plain);
  EXPECT_NE(SkinEngineModule(), nullptr);
}

}  // namespace
}  // namespace rc
