// The controls that show or take text: labels, buttons, group boxes and edit boxes.
#include <QComboBox>
#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
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
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>

#include "forms/internal/balloon_tip_popup.h"
#include "forms/internal/control.h"
#include "forms/internal/fonts.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/messages.h"
#include "forms/internal/control_kit.h"

namespace rc::forms {
namespace {

// ---- labels -------------------------------------------------------------------------------

// The smallest pixel size a caption is shrunk to; below it text is no longer read at a glance.
constexpr int kSmallestFittedPixelSize = 8;

// The part of a widget that its ancestors leave on the screen, in its own coordinates: a
// label may reach past the edge of a window made narrower than its design.
QRect ShownPart(const QWidget* w) {
  QRect shown = w->rect();
  QPoint origin;  // w's origin in the coordinates of the ancestor looked at
  for (const QWidget* p = w; !p->isWindow() && p->parentWidget(); p = p->parentWidget()) {
    origin += p->pos();
    shown &= p->parentWidget()->rect().translated(-origin);
  }
  return shown;
}

// The outline of a caption's glyphs, relative to the pen's start on the baseline: exact,
// where the font metrics' bounding boxes err on the wide side by a pixel or more, and a label
// the designer made exactly as wide as its caption must keep its look.
QRectF GlyphBounds(const QFont& font, const QString& caption) {
  QPainterPath outline;
  outline.addText(0, 0, font, caption);
  return outline.boundingRect();
}

// Where the glyphs of a single-line caption, drawn in `font` into `r` with `flags`, begin
// and end across the label.
std::pair<qreal, qreal> InkColumns(const QFont& font, const QString& caption, const QRect& r,
                                   int flags) {
  const int pen = QFontMetrics(font).boundingRect(r, flags, caption).left();
  const QRectF ink = GlyphBounds(font, caption);
  return {pen + ink.left(), pen + ink.right()};
}

// The largest font no bigger than `font` whose glyphs of a single-line caption span no more
// than `width` pixels.
QFont FittingFont(const QFont& font, const QString& caption, int width) {
  auto span = [&](const QFont& f) { return GlyphBounds(f, caption).width(); };
  const qreal needed = span(font);
  if (needed <= width || width <= 0) return font;
  QFont fitted = font;
  int size = std::max(kSmallestFittedPixelSize,
                      static_cast<int>(QFontInfo(font).pixelSize() * width / needed));
  fitted.setPixelSize(size);
  // Glyphs do not scale exactly with the size; step down until the caption fits.
  while (size > kSmallestFittedPixelSize && span(fitted) > width) fitted.setPixelSize(--size);
  return fitted;
}

// Draws a caption the way both label types do: the effect's shadow first, then the text.
class CaptionWidget : public QWidget {
 public:
  explicit CaptionWidget(QWidget* parent) : QWidget(parent) {}

  Text caption;
  int32_t effect = 0;
  int32_t text_colour = 0;
  int32_t background_colour = kDefaultColour;  // default: the parent's background shows
  int32_t border_style = 0;
  int32_t h_align = 0;
  int32_t v_align = 0;
  bool word_wrap = false;
  std::function<void(QEvent*)> on_private_message;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == kHotKeyNotifyMessage && on_private_message) {
      on_private_message(e);
      return true;
    }
    return QWidget::event(e);
  }

  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QColor back = ColourFromColorRef(background_colour);
    if (back.isValid()) p.fillRect(rect(), back);
    QRect r = rect();
    if (border_style >= 1 && border_style <= 6) {
      p.setPen(border_style == 6 ? QColor(0x80, 0x80, 0x80) : palette().color(QPalette::Dark));
      p.drawRect(r.adjusted(0, 0, -1, -1));
      r.adjust(1, 1, -1, -1);
    }
    QString s = ToQString(caption);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    int flags = static_cast<int>(HAlign(h_align));
    QFont drawn = font();
    if (word_wrap) {
      flags |= Qt::TextWordWrap | Qt::AlignTop;
    } else {
      const Qt::Alignment vertical = VAlign(v_align);
      flags |= Qt::TextSingleLine | static_cast<int>(vertical);
      s.replace(QChar('\n'), QChar(' '));  // one line: a line break is a space
      // A caption that shows whole is drawn as designed. One that would lose its ends (a
      // long name) is drawn into the part of the label that shows, in a smaller font if it
      // is wider than that part; a smaller font keeps the line's middle where the designed
      // font had it.
      const QRect shown = r & ShownPart(this);
      const qreal shown_right = shown.left() + shown.width();  // the right edge of its last pixel
      auto [left, right] = InkColumns(drawn, s, r, flags);
      if (!s.trimmed().isEmpty() && (left < shown.left() || right > shown_right)) {
        drawn = FittingFont(font(), s, shown.width());
        const int lost = QFontMetrics(font()).height() - QFontMetrics(drawn).height();
        if (vertical & Qt::AlignTop) r.setTop(r.top() + lost / 2);
        if (vertical & Qt::AlignBottom) r.setBottom(r.bottom() - lost / 2);
        r.setLeft(shown.left());
        r.setRight(shown.right());
        // Glyphs sit a little off their advances; nudge them in where they still stick out.
        std::tie(left, right) = InkColumns(drawn, s, r, flags);
        if (right > shown_right) r.translate(-static_cast<int>(std::ceil(right - shown_right)), 0);
        if (left < shown.left()) r.translate(static_cast<int>(std::ceil(shown.left() - left)), 0);
      }
    }
    p.setFont(drawn);
    auto draw = [&](QPoint offset, QColor colour) {
      p.setPen(colour);
      p.drawText(r.translated(offset), flags, s);
    };
    QColor fore = ColourFromColorRef(text_colour);
    if (!fore.isValid()) fore = Qt::black;
    switch (effect) {
      case 1:
        draw({1, 1}, Qt::white);
        draw({0, 0}, fore);
        break;
      case 2:
        draw({0, 0}, Qt::white);
        draw({1, 1}, fore);
        break;
      case 3:
        draw({2, 2}, Qt::black);
        draw({0, 0}, fore);
        break;
      default: draw({0, 0}, fore); break;
    }
  }
};

// The properties the two labels share, by where each label keeps them in its own indexes.
struct CaptionIndexes {
  int32_t caption, effect, text_colour, h_align, v_align, word_wrap, font;
};

template <typename Props>
std::optional<Value> ReadCaptionProperty(const Props& p, const CaptionIndexes& at, int32_t i) {
  if (i == at.caption) return Value(p.caption);
  if (i == at.effect) return Value(p.effect);
  if (i == at.text_colour) return Value(p.text_colour);
  if (i == at.h_align) return Value(p.h_align);
  if (i == at.v_align) return Value(p.v_align);
  if (i == at.word_wrap) return Value(Logical(p.word_wrap != 0));
  if (i == at.font) return Value(p.font);
  return std::nullopt;
}

// False when `i` is none of the shared properties.
template <typename Props>
bool WriteCaptionProperty(Props* p, const CaptionIndexes& at, int32_t i, const Value& v) {
  if (i == at.caption) {
    p->caption = ValueToText(v);
  } else if (i == at.effect) {
    p->effect = ValueToInt(v);
  } else if (i == at.text_colour) {
    p->text_colour = ValueToInt(v);
  } else if (i == at.h_align) {
    p->h_align = ValueToInt(v);
  } else if (i == at.v_align) {
    p->v_align = ValueToInt(v);
  } else if (i == at.word_wrap) {
    p->word_wrap = ValueToInt(v) != 0;
  } else if (i == at.font) {
    if (auto* b = std::get_if<ByteSet>(&v)) p->font = *b;
  } else {
    return false;
  }
  return true;
}

template <typename Props>
void ShowCaptionProperties(CaptionWidget* w, const Props& p) {
  w->caption = p.caption;
  w->effect = p.effect;
  w->text_colour = p.text_colour;
  w->h_align = p.h_align;
  w->v_align = p.v_align;
  w->word_wrap = p.word_wrap != 0;
  w->setFont(FontFromLogFont(p.font));
}

// Property indexes of the label: 0 caption, 1 effect, 2 border style, 3 gradient border
// width, 4-6 gradient border colours, 7 background colour, 8 text colour, 9 picture mode,
// 10 gradient background mode, 11-13 gradient background colours, 14 horizontal alignment,
// 15 vertical alignment, 16 word wrap, 17 font, 18 background picture.
class LabelControl : public Control {
 public:
  QWidget* Create(QWidget* parent, const ItemDef& item) override {
    props_ = PropsOf<LabelProps>(item);
    auto* w = new CaptionWidget(parent);
    w->on_private_message = [this](QEvent* e) {
      auto* msg = static_cast<HotKeyNotifyEvent*>(e);
      EventResult r = Raise(kEventFeedback, msg->first(), msg->second());
      msg->set_result(r.handled ? r.result : 0);
    };
    widget_ = w;
    Apply();
    return w;
  }
  Value Read(int32_t i) override {
    if (std::optional<Value> shared = ReadCaptionProperty(props_, kShared, i)) return *shared;
    switch (i) {
      case 2: return props_.border_style;
      case 3: return props_.gradient_border_width;
      case 4:
      case 5:
      case 6: return props_.gradient_border_colours[i - 4];
      case 7: return props_.background_colour;
      case 9: return props_.picture_mode;
      case 10: return props_.gradient_background_mode;
      case 11:
      case 12:
      case 13: return props_.gradient_background_colours[i - 11];
      case 18: return props_.picture;
      default: return {};
    }
  }
  void Write(int32_t i, const Value& v) override {
    if (!WriteCaptionProperty(&props_, kShared, i, v)) {
      switch (i) {
        case 2: props_.border_style = ValueToInt(v); break;
        case 3: props_.gradient_border_width = ValueToInt(v); break;
        case 4:
        case 5:
        case 6: props_.gradient_border_colours[i - 4] = ValueToInt(v); break;
        case 7: props_.background_colour = ValueToInt(v); break;
        case 9: props_.picture_mode = ValueToInt(v); break;
        case 10: props_.gradient_background_mode = ValueToInt(v); break;
        case 11:
        case 12:
        case 13: props_.gradient_background_colours[i - 11] = ValueToInt(v); break;
        case 18:
          if (auto* b = std::get_if<ByteSet>(&v)) props_.picture = *b;
          break;
        default: return;
      }
    }
    Apply();
  }

 private:
  static constexpr CaptionIndexes kShared{0, 1, 8, 14, 15, 16, 17};
  void Apply() {
    auto* w = static_cast<CaptionWidget*>(widget_.data());
    if (!w) return;
    ShowCaptionProperties(w, props_);
    PublishLabelCaption(window_id(), control_id(), props_.caption);
    w->background_colour = props_.background_colour;
    w->border_style = props_.border_style;
    w->update();
  }
  LabelProps props_;
};

// Property indexes: 0 caption, 1 effect, 2 text colour, 3 horizontal alignment, 4 vertical
// alignment, 5 word wrap, 6 font.
class TransparentLabelControl : public Control {
 public:
  QWidget* Create(QWidget* parent, const ItemDef& item) override {
    props_ = PropsOf<TransparentLabelProps>(item);
    auto* w = new CaptionWidget(parent);
    w->setAttribute(Qt::WA_TranslucentBackground);
    widget_ = w;
    Apply();
    return w;
  }
  Value Read(int32_t i) override {
    return ReadCaptionProperty(props_, kShared, i).value_or(Value());
  }
  void Write(int32_t i, const Value& v) override {
    if (WriteCaptionProperty(&props_, kShared, i, v)) Apply();
  }

 private:
  static constexpr CaptionIndexes kShared{0, 1, 2, 3, 4, 5, 6};
  void Apply() {
    auto* w = static_cast<CaptionWidget*>(widget_.data());
    if (!w) return;
    ShowCaptionProperties(w, props_);
    w->update();
  }
  TransparentLabelProps props_;
};

// ---- button, group box --------------------------------------------------------------------

// Property indexes: 0 caption, 1 kind, 2 horizontal alignment, 3 vertical alignment,
// 4 picture, 5 font.
class ButtonControl : public Control {
 public:
  QWidget* Create(QWidget* parent, const ItemDef& item) override {
    props_ = PropsOf<ButtonProps>(item);
    auto* b = new QPushButton(parent);
    b->setAutoDefault(false);
    b->setDefault(props_.kind == 1);
    b->setText(ToQString(props_.caption));
    b->setFont(FontFromLogFont(props_.font));
    QObject::connect(b, &QPushButton::clicked, b, [this] { Raise(kEventClicked); });
    widget_ = b;
    return b;
  }
  Value Read(int32_t i) override {
    switch (i) {
      case 0: return props_.caption;
      case 1: return props_.kind;
      case 2: return props_.h_align;
      case 3: return props_.v_align;
      case 4: return props_.picture;
      case 5: return props_.font;
      default: return {};
    }
  }
  void Write(int32_t i, const Value& v) override {
    auto* b = static_cast<QPushButton*>(widget_.data());
    if (i == 0) {
      props_.caption = ValueToText(v);
      b->setText(ToQString(props_.caption));
    } else if (i == 1) {
      props_.kind = ValueToInt(v);
      b->setDefault(props_.kind == 1);
    } else if (i == 5) {
      if (auto* f = std::get_if<ByteSet>(&v)) props_.font = *f;
      b->setFont(FontFromLogFont(props_.font));
    }
  }

 private:
  ButtonProps props_;
};

// Property indexes: 0 caption, 1 font. The group box becomes the parent of the controls it
// holds; the runtime moves them in after creation.
class GroupControl : public Control {
 public:
  QWidget* Create(QWidget* parent, const ItemDef& item) override {
    props_ = PropsOf<GroupProps>(item);
    auto* g = new QGroupBox(parent);
    g->setTitle(ToQString(props_.caption));
    g->setFont(FontFromLogFont(props_.font));
    widget_ = g;
    return g;
  }
  Value Read(int32_t i) override {
    if (i == 0) return props_.caption;
    if (i == 1) return props_.font;
    return {};
  }
  void Write(int32_t i, const Value& v) override {
    auto* g = static_cast<QGroupBox*>(widget_.data());
    if (i == 0) {
      props_.caption = ValueToText(v);
      g->setTitle(ToQString(props_.caption));
    }
  }

 private:
  GroupProps props_;
};

// ---- edit box -----------------------------------------------------------------------------

// A one-line box takes pasted text up to its first line break, as a one-line edit box does:
// a cell copied from a spreadsheet brings its line break along, and a class name holding one
// could never name a file. Typed text has no line breaks; the pasted text ends at the cursor.
void KeepFirstLineOfPaste(QLineEdit* edit) {
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
    qsizetype cut = -1;
    for (QChar c : {QChar('\r'), QChar('\n')}) {
      const qsizetype at = text.indexOf(c);
      if (at >= 0 && (cut < 0 || at < cut)) cut = at;
    }
    const qsizetype cursor = edit->cursorPosition();
    if (cut < 0 || cut >= cursor) return;
    edit->setText(text.left(cut) + text.mid(cursor));
    edit->setCursorPosition(static_cast<int>(cut));
  });
}

// A multi-line box starts a new line for every key that means one. Qt's text box does so only
// for Return and Enter; the line-feed key, which on-screen keyboards and typing tools send for
// a line break, would otherwise type nothing and the names on either side would run together.
class LineFeedKey : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
        key->text() != QStringLiteral("\n")) {
      return false;
    }
    auto* box = static_cast<QPlainTextEdit*>(watched);
    if (box->isReadOnly()) return false;
    box->insertPlainText(QStringLiteral("\n"));
    return true;
  }
};

// Property indexes: 0 content, 1 border style, 2 text colour, 3 background colour,
// 4 hide selection, 5 maximum length, 6 multi-line, 7 scroll bars, 8 alignment,
// 9 input mode, 10 password character, 11 letter case, 12 selection start,
// 13 selection length, 14 font. The content always reads with CR LF line breaks, whatever
// the widget stores.
class EditControl : public Control {
 public:
  QWidget* Create(QWidget* parent, const ItemDef& item) override {
    props_ = PropsOf<EditProps>(item);
    QWidget* w;
    if (props_.multi_line) {
      auto* e = new QPlainTextEdit(parent);
      bool h = props_.scroll_bars & 1;
      bool v = props_.scroll_bars & 2;
      e->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
      e->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
      e->setLineWrapMode(h ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
      e->setReadOnly(props_.input_mode == 1);
      e->installEventFilter(new LineFeedKey(e));
      if (props_.border_style == 0) e->setFrameShape(QFrame::NoFrame);
      w = e;
    } else {
      auto* e = new QLineEdit(parent);
      e->setAlignment(HAlign(props_.alignment) | Qt::AlignVCenter);
      e->setReadOnly(props_.input_mode == 1);
      if (props_.input_mode == 2) e->setEchoMode(QLineEdit::Password);
      if (props_.max_length > 0) e->setMaxLength(props_.max_length);
      e->setFrame(props_.border_style != 0);
      KeepFirstLineOfPaste(e);
      w = e;
    }
    widget_ = w;
    w->setFont(FontFromLogFont(props_.font));
    SetColours(w, props_.text_colour, props_.background_colour);
    SetContent(props_.content);
    return w;
  }
  Value Read(int32_t i) override {
    switch (i) {
      case 0: return Content();
      case 1: return props_.border_style;
      case 2: return props_.text_colour;
      case 3: return props_.background_colour;
      case 4: return Logical(props_.hide_selection != 0);
      case 5: return props_.max_length;
      case 6: return Logical(props_.multi_line != 0);
      case 7: return props_.scroll_bars;
      case 8: return props_.alignment;
      case 9: return props_.input_mode;
      case 14: return props_.font;
      default: return {};
    }
  }
  void Write(int32_t i, const Value& v) override {
    switch (i) {
      case 0: SetContent(ValueToText(v)); break;
      case 2:
        props_.text_colour = ValueToInt(v);
        SetColours(widget_, props_.text_colour, props_.background_colour);
        break;
      case 3:
        props_.background_colour = ValueToInt(v);
        SetColours(widget_, props_.text_colour, props_.background_colour);
        break;
      case 9:
        props_.input_mode = ValueToInt(v);
        if (auto* e = qobject_cast<QLineEdit*>(widget_)) {
          e->setReadOnly(props_.input_mode == 1);
          e->setEchoMode(props_.input_mode == 2 ? QLineEdit::Password : QLineEdit::Normal);
        } else if (auto* m = qobject_cast<QPlainTextEdit*>(widget_)) {
          m->setReadOnly(props_.input_mode == 1);
        }
        break;
      case 14:
        if (auto* b = std::get_if<ByteSet>(&v)) props_.font = *b;
        widget_->setFont(FontFromLogFont(props_.font));
        break;
      default: break;
    }
  }

 private:
  Text Content() const {
    QString s;
    if (auto* e = qobject_cast<QLineEdit*>(widget_)) s = e->text();
    if (auto* m = qobject_cast<QPlainTextEdit*>(widget_)) s = m->toPlainText();
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QChar(0x2029), QChar('\n'));
    s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromQ(s);
  }
  void SetContent(const Text& t) {
    QString s = ToQString(t);
    if (auto* e = qobject_cast<QLineEdit*>(widget_)) e->setText(s);
    if (auto* m = qobject_cast<QPlainTextEdit*>(widget_)) {
      s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
      m->setPlainText(s);
    }
  }
  EditProps props_;
};

}  // namespace

std::unique_ptr<Control> MakeLabelControl() { return std::make_unique<LabelControl>(); }
std::unique_ptr<Control> MakeTransparentLabelControl() { return std::make_unique<TransparentLabelControl>(); }
std::unique_ptr<Control> MakeButtonControl() { return std::make_unique<ButtonControl>(); }
std::unique_ptr<Control> MakeGroupControl() { return std::make_unique<GroupControl>(); }
std::unique_ptr<Control> MakeEditControl() { return std::make_unique<EditControl>(); }

}  // namespace rc::forms
