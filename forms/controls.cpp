// The control types on Qt Widgets: the table of types, what the types share, the controls
// without a visible widget of their own (timer, balloon tip, web view) and the value
// conversions for property writes. Each control class keeps its stored settings, creates its
// widget from them and maps its type-specific property indexes onto the widget.
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <type_traits>

#include "forms/internal/balloon_tip_popup.h"
#include "forms/internal/control.h"
#include "forms/internal/control_kit.h"
#include "forms/internal/fonts.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/messages.h"

namespace rc::forms {

void SetColours(QWidget* w, int32_t text, int32_t background) {
  QPalette pal = w->palette();
  QColor fore = ColourFromColorRef(text);
  QColor back = ColourFromColorRef(background);
  if (fore.isValid()) {
    pal.setColor(QPalette::Text, fore);
    pal.setColor(QPalette::WindowText, fore);
    pal.setColor(QPalette::ButtonText, fore);
  }
  if (back.isValid()) pal.setColor(QPalette::Base, back);
  w->setPalette(pal);
}

Qt::Alignment HAlign(int32_t a) {
  return a == 1 ? Qt::AlignHCenter : a == 2 ? Qt::AlignRight : Qt::AlignLeft;
}
Qt::Alignment VAlign(int32_t a) {
  return a == 1 ? Qt::AlignVCenter : a == 2 ? Qt::AlignBottom : Qt::AlignTop;
}

namespace {


// Label captions for readers on other threads. Such a reader may still run while the
// program ends, so the captions are never destroyed.
struct PublishedCaptions {
  std::mutex mutex;
  std::map<std::pair<WindowId, ControlId>, Text> by_label;
};
PublishedCaptions& Captions() {
  static PublishedCaptions* const captions = new PublishedCaptions;
  return *captions;
}

}  // namespace

void PublishLabelCaption(WindowId window_id, ControlId control_id, const Text& caption) {
  PublishedCaptions& captions = Captions();
  std::lock_guard<std::mutex> lock(captions.mutex);
  captions.by_label[{window_id, control_id}] = caption;
}

namespace {

// ---- timer --------------------------------------------------------------------------------

// Property index 0: the interval in milliseconds. Writing a negative value stores 0, the
// current value changes nothing, anything else restarts the timer (0 stops it).
class TimerControl : public Control {
 public:
  QWidget* Create(QWidget* parent, const ItemDef& item) override {
    auto* w = new QWidget(parent);
    timer_ = new QTimer(w);
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, w, [this] { Raise(kEventTick); });
    widget_ = w;
    interval_ = std::max(0, PropsOf<TimerProps>(item).interval);
    if (interval_ > 0) timer_->start(interval_);
    return w;
  }
  Value Read(int32_t i) override {
    if (i == 0) return interval_;
    return {};
  }
  void Write(int32_t i, const Value& v) override {
    if (i != 0) return;
    int32_t interval = std::max(0, ValueToInt(v));
    if (interval == interval_) return;
    interval_ = interval;
    timer_->stop();
    if (interval_ > 0) timer_->start(interval_);
  }
  void OnDestroy() override {
    if (timer_) timer_->stop();
  }

 private:
  QPointer<QTimer> timer_;
  int32_t interval_ = 0;
};

// ---- invisible controls -------------------------------------------------------------------

// The pop-up goes through PopUpBalloonTip with the stored settings.
class BalloonTipControl : public Control {
 public:
  QWidget* Create(QWidget* parent, const ItemDef& item) override {
    props_ = PropsOf<BalloonTipProps>(item);
    widget_ = new QWidget(parent);
    return widget_;
  }
  void PopUp(int32_t x, int32_t y, const Text& text, int32_t icon, bool auto_hide) {
    BalloonTipRequest request;
    request.control = widget_;
    request.window_id = window_id();
    request.control_id = control_id();
    request.anchor = QPoint(x, y);
    request.text = text;
    request.icon = icon;
    request.auto_hide = auto_hide;
    request.settings = props_;
    PopUpBalloonTip(request);
  }

 private:
  BalloonTipProps props_;
};

// Defined, hidden and never used: an empty widget.
class HtmlViewControl : public Control {
 public:
  QWidget* Create(QWidget* parent, const ItemDef&) override {
    widget_ = new QWidget(parent);
    return widget_;
  }
};

template <typename T>
std::unique_ptr<Control> Make() {
  return std::make_unique<T>();
}

}  // namespace

// The window type's control lives with the runtime (window_control.cpp).
std::unique_ptr<Control> MakeWindowControl();

bool PopUpBalloonTipOf(Control* control, int32_t x, int32_t y, const Text& text, int32_t icon,
                       bool auto_hide) {
  auto* tip = dynamic_cast<BalloonTipControl*>(control);
  if (!tip) return false;
  tip->PopUp(x, y, text, icon, auto_hide);
  return true;
}

Text PublishedLabelCaption(WindowId window_id, ControlId control_id) {
  PublishedCaptions& captions = Captions();
  std::lock_guard<std::mutex> lock(captions.mutex);
  auto it = captions.by_label.find({window_id, control_id});
  return it == captions.by_label.end() ? Text() : it->second;
}

const TypeDescriptor* FindTypeDescriptor(uint32_t type_id) {
  using P = PropertyType;
  static const TypeDescriptor kTypes[] = {
      {kTypeWindow, "窗口", kTypeRaisesEvents, {P::kPropText}, &MakeWindowControl},
      {kTypeEditBox,
       "编辑框",
       kTypeRaisesEvents,
       {P::kPropText, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropLogical,
        P::kPropInteger, P::kPropLogical, P::kPropInteger, P::kPropInteger, P::kPropInteger,
        P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropByteSet},
       &MakeEditControl},
      {kTypeGroupBox,
       "分组框",
       kTypeRaisesEvents,
       {P::kPropText, P::kPropByteSet},
       &MakeGroupControl},
      {kTypeLabel,
       "标签",
       kTypeRaisesEvents,
       {P::kPropText, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger,
        P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger,
        P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger,
        P::kPropInteger, P::kPropLogical, P::kPropByteSet, P::kPropByteSet},
       &MakeLabelControl},
      {kTypeButton,
       "按钮",
       kTypeRaisesEvents,
       {P::kPropText, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropByteSet,
        P::kPropByteSet},
       &MakeButtonControl},
      {kTypeComboBox,
       "组合框",
       kTypeRaisesEvents,
       {P::kPropText, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger,
        P::kPropLogical, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropByteSet,
        P::kPropByteSet, P::kPropInteger, P::kPropByteSet},
       &MakeComboControl},
      {kTypeTimer,
       "时钟",
       kTypeRaisesEvents | kTypeNeverVisible,
       {P::kPropInteger},
       &Make<TimerControl>},
      {kTypeListView, "超级列表框", kTypeRaisesEvents, std::vector<P>(28, P::kPropInteger),
       &MakeListViewControl},
      {kTypeTransparentLabel,
       "透明标签",
       kTypeRaisesEvents,
       {P::kPropText, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger,
        P::kPropLogical, P::kPropByteSet},
       &MakeTransparentLabelControl},
      {kTypeBalloonTip,
       "气球提示框",
       kTypeRaisesEvents | kTypeNeverVisible,
       {},
       &Make<BalloonTipControl>},
      {kTypeHtmlView, "超文本浏览框", kTypeRaisesEvents, {P::kPropText}, &Make<HtmlViewControl>},
  };
  for (const TypeDescriptor& t : kTypes) {
    if (t.type_id == type_id) return &t;
  }
  return nullptr;
}

namespace {

// As the database converts a real for an integer field: truncated toward zero to 64 bits,
// of which the low 32 are kept; NaN and values beyond 64 bits give the lowest 64-bit
// integer (so 0 here). A plain cast would be undefined for them.
int32_t RealToInt32(double d) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  const int64_t whole = std::isnan(d) || d >= kLimit || d < -kLimit
                            ? std::numeric_limits<int64_t>::min()
                            : static_cast<int64_t>(d);
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(whole)));
}

}  // namespace

int32_t ValueToInt(const Value& value) {
  return std::visit(
      [](const auto& v) -> int32_t {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, Logical>)
          return v.value != 0 ? 1 : 0;
        else if constexpr (std::is_floating_point_v<T>)
          return RealToInt32(static_cast<double>(v));
        else if constexpr (std::is_arithmetic_v<T>)
          return static_cast<int32_t>(v);
        else
          return 0;
      },
      value);
}

Text ValueToText(const Value& value) { return ToText(value); }

}  // namespace rc::forms
