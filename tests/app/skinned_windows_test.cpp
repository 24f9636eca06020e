// The program's three windows, built by the form runtime from their definitions, before and
// after the embedded skin is applied the way start-up applies it. With the environment
// variable ROLLCALL_SKIN_SCREENSHOTS naming a folder, the windows are saved there as PNG
// files, plain and skinned, for a look by eye.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "app/embedded_definitions.h"
#include "app/windows.h"
#include "forms/ids.h"
#include "forms/runtime.h"
#include "services/skin/skin_engine_module.h"

namespace rc {
namespace {

constexpr int32_t kLabelTextColour = 16;  // the label's own property 8

QImage Grab(QWidget* widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

int CountNear(const QImage& image, QColor colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      n += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
               std::abs(c.blue() - colour.blue()) < 24;
    }
  }
  return n;
}

TEST(SkinnedWindowsTest, TheThreeWindowsTakeTheSkinAndTheNameStillBlinks) {
  int argc = 1;
  char name[] = "skinned_windows_tests";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  forms::InitFormRuntime(app::EmbeddedDefinitionBlock());
  ASSERT_TRUE(LoadSkinEngine());

  const struct {
    forms::WindowId id;
    const char* file;
  } windows[] = {{app::kMainWindow, "main_window.png"},
                 {app::kStatsWindow, "statistics_window.png"},
                 {app::kClassWindow, "class_window.png"}};
  QImage plain[3];
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(forms::LoadWindow(windows[i].id, std::nullopt, false));
    plain[i] = Grab(forms::WindowWidget(windows[i].id));
  }
  const char* folder = std::getenv("ROLLCALL_SKIN_SCREENSHOTS");
  auto save = [&](const QImage& image, const char* prefix, const char* file) {
    if (folder == nullptr) return;
    image.save(QString::fromUtf8(folder) + QLatin1Char('/') + QLatin1String(prefix) +
               QLatin1String(file));
  };
  for (int i = 0; i < 3; ++i) save(plain[i], "plain_", windows[i].file);

  ASSERT_TRUE(ApplyEmbeddedSkin());

  for (int i = 0; i < 3; ++i) {
    const QImage skinned = Grab(forms::WindowWidget(windows[i].id));
    EXPECT_NE(skinned, plain[i]) << windows[i].file;
    save(skinned, "skinned_", windows[i].file);
  }

  // The name label keeps its own colours on the skin's background: black, and red while
  // it blinks.
  QWidget* label = forms::ControlWidget(app::kMainWindow, app::kNameLabel);
  ASSERT_NE(label, nullptr);
  const QImage black = Grab(label);
  EXPECT_GT(CountNear(black, Qt::black), 200);
  EXPECT_EQ(black.pixelColor(1, 1), QColor(0xF5, 0xF7, 0xFA));
  forms::WriteProperty(app::kMainWindow, app::kNameLabel, kLabelTextColour, int32_t{255});
  const QImage red = Grab(label);
  EXPECT_GT(CountNear(red, Qt::red), 200);
  EXPECT_EQ(CountNear(red, Qt::black), 0);
  forms::WriteProperty(app::kMainWindow, app::kNameLabel, kLabelTextColour, int32_t{0});
  EXPECT_EQ(Grab(label), black);

  // The class name fits whole in the 72-pixel combo box (its line edit keeps 2 pixels on
  // either side): the size is the definition's, so only the skin's padding gives it room.
  auto* combo = qobject_cast<QComboBox*>(forms::ControlWidget(app::kMainWindow,
                                                              app::kClassCombo));
  ASSERT_TRUE(combo != nullptr && combo->lineEdit() != nullptr);
  combo->setCurrentIndex(0);
  const QLineEdit* edit = combo->lineEdit();
  EXPECT_LE(edit->fontMetrics().horizontalAdvance(QString::fromUtf8("九（1）班")),
            edit->width() - 4);
}

}  // namespace
}  // namespace rc
