#include "forms/balloon/balloon_window.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "forms/balloon/balloon_document.h"

namespace rc {
namespace {

constexpr int kFadeStep = 20;          // transparency points per fade tick
constexpr int kMaxOwnTransparency = 90;  // a fully transparent tip would say nothing
constexpr int kMinTextWidth = 200;

QColor FromColorRef(uint32_t color, QPalette::ColorRole system_role) {
  if (color == kSystemColor) return QGuiApplication::palette().color(system_role);
  return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

QBrush BodyBrush(const BalloonSettings& settings, const QRect& body) {
  const QColor first = FromColorRef(settings.colors[0], QPalette::ToolTipBase);
  const QColor second = FromColorRef(settings.colors[1], QPalette::ToolTipBase);
  const QColor third = FromColorRef(settings.colors[2], QPalette::ToolTipBase);
  const QPointF left(body.left(), body.center().y()), right(body.right() + 1, body.center().y());
  const QPointF top(body.center().x(), body.top()), bottom(body.center().x(), body.bottom() + 1);
  auto gradient = [](QPointF from, QPointF to, std::initializer_list<QColor> stops) {
    QLinearGradient g(from, to);
    const qreal last = qreal(stops.size() - 1);
    qreal i = 0;
    for (const QColor& stop : stops) g.setColorAt(i++ / last, stop);
    return QBrush(g);
  };
  switch (static_cast<BalloonEffect>(settings.effect)) {
    case BalloonEffect::kHorizontalGradient:
      return gradient(left, right, {first, second});
    case BalloonEffect::kVerticalGradient:
      return gradient(top, bottom, {first, second});
    case BalloonEffect::kHorizontalCentreGradient:
      return gradient(left, right, {first, second, first});
    case BalloonEffect::kVerticalCentreGradient:
      return gradient(top, bottom, {first, second, first});
    case BalloonEffect::kThreeColourHorizontalGradient:
      return gradient(left, right, {first, third, second});
    case BalloonEffect::kThreeColourVerticalGradient:
      return gradient(top, bottom, {first, third, second});
    case BalloonEffect::kSolid:
      break;
  }
  return QBrush(first);
}

}  // namespace

BalloonWindow::BalloonWindow(const BalloonSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      settings_(settings) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_X11DoNotAcceptFocus);
  setFocusPolicy(Qt::NoFocus);
  setObjectName(QStringLiteral("balloon"));
  document_.setUndoRedoEnabled(false);

  initial_delay_timer_.setSingleShot(true);
  display_timer_.setSingleShot(true);
  connect(&initial_delay_timer_, &QTimer::timeout, this, [this] { BringUp(); });
  connect(&fade_in_timer_, &QTimer::timeout, this, [this] { FadeInTick(); });
  connect(&display_timer_, &QTimer::timeout, this, [this] { TakeDown(); });
  connect(&fade_out_timer_, &QTimer::timeout, this, [this] { FadeOutTick(); });
}

BalloonWindow::~BalloonWindow() {
  if (watched_) {
    watched_->removeEventFilter(this);
    QCoreApplication::instance()->removeEventFilter(this);
  }
}

void BalloonWindow::SetSettings(const BalloonSettings& settings) { settings_ = settings; }

void BalloonWindow::PopUp(QPoint anchor, const Text& markup, bool auto_hide, QWidget* owner) {
  Request request{anchor, markup, auto_hide, owner};
  switch (state_) {
    case BalloonState::kHidden:
      Start(std::move(request));
      return;
    case BalloonState::kComingUp:
      if (!isVisible()) {
        Start(std::move(request));  // still in its initial delay: the newer one replaces it
        return;
      }
      [[fallthrough]];
    case BalloonState::kShown:
      waiting_ = std::move(request);
      // A tip that may hide itself is let finish; one that stays would never make room.
      if (Stays() && state_ == BalloonState::kShown) TakeDown();
      return;
    case BalloonState::kGoingDown:
      waiting_ = std::move(request);
      return;
  }
}

void BalloonWindow::TakeDown() {
  switch (state_) {
    case BalloonState::kHidden:
    case BalloonState::kGoingDown:
      return;
    case BalloonState::kComingUp:
      if (!isVisible()) {
        initial_delay_timer_.stop();
        FinishHiding();
        return;
      }
      break;
    case BalloonState::kShown:
      break;
  }
  fade_in_timer_.stop();
  display_timer_.stop();
  state_ = BalloonState::kGoingDown;
  if (settings_.fade_out_interval_ms > 0) {
    fade_out_timer_.start(settings_.fade_out_interval_ms);
  } else {
    FinishHiding();
  }
}

void BalloonWindow::Start(Request request) {
  current_ = std::move(request);
  state_ = BalloonState::kComingUp;
  WatchOwner(current_.owner);
  initial_delay_timer_.start(std::max(settings_.initial_delay_ms, 0));
}

void BalloonWindow::BringUp() {
  QScreen* screen = QGuiApplication::screenAt(current_.anchor);
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);

  const qreal max_text_width = std::max(kMinTextWidth, area.width() / 2);
  const QSizeF text_size = BuildBalloonDocument(document_, current_.markup, settings_,
                                                max_text_width);
  geometry_ = LayoutBalloon(QSize(int(std::ceil(text_size.width())),
                                  int(std::ceil(text_size.height()))),
                            current_.anchor, area, settings_.shape,
                            settings_.placement_style);
  setGeometry(geometry_.frame);
  // The window is cut to the balloon's shape: this needs no compositing manager.
  setMask(geometry_.Mask());

  if (settings_.fade_in_interval_ms > 0) {
    transparency_ = 100;
    ApplyTransparency();
    show();
    fade_in_timer_.start(settings_.fade_in_interval_ms);
  } else {
    transparency_ = OwnLevel();
    ApplyTransparency();
    show();
    FinishComingUp();
  }
}

void BalloonWindow::FadeInTick() {
  transparency_ = std::max(transparency_ - kFadeStep, OwnLevel());
  ApplyTransparency();
  if (transparency_ <= OwnLevel()) {
    fade_in_timer_.stop();
    FinishComingUp();
  }
}

void BalloonWindow::FinishComingUp() {
  state_ = BalloonState::kShown;
  if (waiting_ && Stays()) {
    TakeDown();  // a pop-up arrived while this one was fading in
    return;
  }
  // A display time of 0 or less keeps even a tip that may hide itself until taken down.
  if (!Stays() && settings_.display_time_ms > 0) display_timer_.start(settings_.display_time_ms);
}

void BalloonWindow::FadeOutTick() {
  transparency_ = std::min(transparency_ + kFadeStep, 100);
  ApplyTransparency();
  if (transparency_ >= 100) FinishHiding();
}

void BalloonWindow::FinishHiding() {
  const bool was_visible = isVisible();
  initial_delay_timer_.stop();
  fade_in_timer_.stop();
  display_timer_.stop();
  fade_out_timer_.stop();
  hide();
  state_ = BalloonState::kHidden;
  transparency_ = 100;
  WatchOwner(nullptr);
  if (was_visible && on_hidden_) on_hidden_();
  if (waiting_ && state_ == BalloonState::kHidden) {
    Request next = std::move(*waiting_);
    waiting_.reset();
    Start(std::move(next));
  }
}

void BalloonWindow::WatchOwner(QWidget* owner) {
  QWidget* window = owner ? owner->window() : nullptr;
  if (watched_ == window) return;
  if (watched_) {
    watched_->removeEventFilter(this);
    QCoreApplication::instance()->removeEventFilter(this);
  }
  watched_ = window;
  watched_was_shown_ = window && window->isVisible();
  if (window) {
    window->installEventFilter(this);
    // Clicks reach the window's controls, not the window: they are seen application-wide.
    QCoreApplication::instance()->installEventFilter(this);
  }
}

bool BalloonWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress && watched_ && isVisible() &&
      watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == watched_) {
    // The teacher is working in the window the tip explains: the tip has been read, and
    // must not keep covering the controls (the class window's "创建" button lies under it).
    TakeDown();
  }
  if (watched == watched_) {
    switch (event->type()) {
      case QEvent::Show:
        watched_was_shown_ = true;
        break;
      case QEvent::Hide:
        if (watched_was_shown_) TakeDown();
        break;
      case QEvent::EnabledChange:
        if (!watched_->isEnabled()) TakeDown();
        break;
      case QEvent::Close:
      case QEvent::Destroy:
        TakeDown();
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

int BalloonWindow::OwnLevel() const {
  // The tip's own transparency applies only to tips that fade; one without fading is
  // simply shown, fully opaque.
  if (settings_.fade_in_interval_ms <= 0 && settings_.fade_out_interval_ms <= 0) return 0;
  return std::clamp(settings_.transparency, 0, kMaxOwnTransparency);
}

void BalloonWindow::ApplyTransparency() { setWindowOpacity((100 - transparency_) / 100.0); }

void BalloonWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QColor text_color = FromColorRef(settings_.text_color, QPalette::ToolTipText);
  // The outline, one pixel wide in the text colour, is what the interior leaves of the
  // mask; drawn as regions it lands on exactly the pixels the window shows.
  painter.setClipRegion(geometry_.Mask());
  painter.fillRect(rect(), text_color);
  painter.setClipRegion(geometry_.Interior());
  painter.fillRect(rect(), BodyBrush(settings_, geometry_.body));
  painter.setClipping(false);

  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.translate(geometry_.text.topLeft());
  QAbstractTextDocumentLayout::PaintContext context;
  context.palette = palette();
  context.palette.setColor(QPalette::Text, text_color);
  document_.documentLayout()->draw(&painter, context);
}

void BalloonWindow::mousePressEvent(QMouseEvent* event) {
  event->accept();
  TakeDown();
}

}  // namespace rc
