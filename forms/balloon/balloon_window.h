// The balloon tip's window: frameless, always on top, without a taskbar entry, and never
// taking the keyboard focus (a teacher's slide show keeps it). It runs through the states
// hidden, coming up, shown and going down on four timers of its own: initial delay, fade-in,
// display time and fade-out. User-interface thread only.
//
// What takes a tip down:
// - a tip that may hide itself: the end of its display time;
// - every tip, also one marked to stay: a click on it, a click anywhere in the window it
//   belongs to, the closing, hiding or disabling of that window (a modal window or a
//   message box over it: the tip could not be clicked away there), and a new pop-up (which
//   waits until this tip is down, then comes up).
// A staying tip therefore never covers a window that is gone, nor the controls of one the
// teacher has started to work in, and the teacher can always click it away.
#ifndef ROLLCALL_FORMS_BALLOON_BALLOON_WINDOW_H_
#define ROLLCALL_FORMS_BALLOON_BALLOON_WINDOW_H_

#include <QPointer>
#include <QTextDocument>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

#include "core/text.h"
#include "forms/balloon/balloon_geometry.h"
#include "forms/balloon/balloon_settings.h"

namespace rc {

enum class BalloonState { kHidden, kComingUp, kShown, kGoingDown };

class BalloonWindow : public QWidget {
 public:
  // `parent`, if given, owns the window (it is still a window of its own).
  explicit BalloonWindow(const BalloonSettings& settings, QWidget* parent = nullptr);
  ~BalloonWindow() override;

  // Takes effect with the next tip that comes up.
  void SetSettings(const BalloonSettings& settings);
  const BalloonSettings& settings() const { return settings_; }

  // Asks for a tip pointing at `anchor` (screen pixels) with the markup text. `auto_hide`
  // false marks it to stay. `owner`, if given, is the window the tip belongs to; its closing
  // or hiding takes the tip down. While no tip is visible yet, a new pop-up replaces the one
  // waiting for its initial delay and starts the delay again; while one is visible, the new
  // one waits (a later one replaces it) and comes up once the visible tip is down.
  void PopUp(QPoint anchor, const Text& markup, bool auto_hide, QWidget* owner = nullptr);

  // Takes the current tip down (fading out if so set). A tip still waiting for its initial
  // delay is dropped.
  void TakeDown();

  // Called after a tip that was visible has been hidden.
  void SetHiddenCallback(std::function<void()> callback) { on_hidden_ = std::move(callback); }

  BalloonState CurrentState() const { return state_; }
  bool HasWaitingPopUp() const { return waiting_.has_value(); }
  // The tip being shown or about to be: its anchor, markup and whether it stays.
  QPoint Anchor() const { return current_.anchor; }
  const Text& Markup() const { return current_.markup; }
  bool Stays() const { return !current_.auto_hide; }
  // Valid once the tip has come up.
  const BalloonGeometry& Geometry() const { return geometry_; }
  const QTextDocument& Document() const { return document_; }
  // 100 is invisible; the tip's own level when fully up.
  int Transparency() const { return transparency_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Request {
    QPoint anchor;
    Text markup;
    bool auto_hide = false;
    QPointer<QWidget> owner;
  };

  void Start(Request request);
  void BringUp();
  void FadeInTick();
  void FinishComingUp();
  void FadeOutTick();
  void FinishHiding();
  void WatchOwner(QWidget* owner);
  int OwnLevel() const;
  void ApplyTransparency();

  BalloonSettings settings_;
  BalloonState state_ = BalloonState::kHidden;
  Request current_;
  std::optional<Request> waiting_;
  QPointer<QWidget> watched_;
  bool watched_was_shown_ = false;  // a window hidden since before the pop-up hides nothing
  QTextDocument document_;
  BalloonGeometry geometry_;
  int transparency_ = 100;
  QTimer initial_delay_timer_;
  QTimer fade_in_timer_;
  QTimer display_timer_;
  QTimer fade_out_timer_;
  std::function<void()> on_hidden_;
};

}  // namespace rc

#endif  // ROLLCALL_FORMS_BALLOON_BALLOON_WINDOW_H_
