#include "services/windows/screens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <algorithm>

#include "services/windows/active_window.h"

namespace rc {
namespace {

ScreenRect FromQ(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// Primary first, then in Qt's order, so that index 0 is where a window goes by default.
QList<QScreen*> OrderedScreens() {
  QList<QScreen*> screens = QGuiApplication::screens();
  QScreen* primary = QGuiApplication::primaryScreen();
  const qsizetype at = screens.indexOf(primary);
  if (at > 0) screens.move(at, 0);
  return screens;
}

// A screen in X's own pixels. Qt keeps a scaled screen's corner where X has it and divides
// only its size.
ScreenRect NativeGeometry(const QScreen* screen) {
  const QRect g = screen->geometry();
  const double ratio = screen->devicePixelRatio();
  return {g.x(), g.y(), static_cast<int32_t>(g.width() * ratio + 0.5),
          static_cast<int32_t>(g.height() * ratio + 0.5)};
}

}  // namespace

int64_t ScreenRect::OverlapArea(const ScreenRect& other) const {
  const int64_t w = int64_t{std::min(left + width, other.left + other.width)} -
                    std::max(left, other.left);
  const int64_t h = int64_t{std::min(top + height, other.top + other.height)} -
                    std::max(top, other.top);
  return w > 0 && h > 0 ? w * h : 0;
}

std::vector<Monitor> Monitors() {
  std::vector<Monitor> out;
  for (QScreen* screen : OrderedScreens()) {
    out.push_back({FromQ(screen->geometry()), FromQ(screen->availableGeometry())});
  }
  return out;
}

std::optional<size_t> MonitorOfActiveWindow() {
  const std::optional<ScreenRect> active = ActiveWindowGeometry();
  if (!active) return std::nullopt;
  const QList<QScreen*> screens = OrderedScreens();
  std::optional<size_t> best;
  int64_t best_area = 0;
  for (qsizetype i = 0; i < screens.size(); ++i) {
    const int64_t area = NativeGeometry(screens[i]).OverlapArea(*active);
    if (area > best_area) {
      best_area = area;
      best = static_cast<size_t>(i);
    }
  }
  return best;
}

std::optional<size_t> MonitorUnderPointer() {
  const QList<QScreen*> screens = OrderedScreens();
  const qsizetype at = screens.indexOf(QGuiApplication::screenAt(QCursor::pos()));
  if (at < 0) return std::nullopt;
  return static_cast<size_t>(at);
}

}  // namespace rc
