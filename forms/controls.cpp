// The control types on Qt Widgets. Each class keeps its stored settings, creates its widget
// from them and maps its type-specific property indexes onto the widget.
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
#include "forms/internal/fonts.h"
#include "forms/ids.h"
#include "forms/messages.h"

namespace rc::forms {
namespace {

QString Q(const Text& t) { return QString::fromStdU16String(t.ToUtf16()); }
Text FromQ(const QString& s) { return Text::FromUtf16(s.toStdU16String()); }

template <typename Props>
Props PropsOf(const ItemDef& item) {
  if (const Props* p = std::get_if<Props>(&item.props)) return *p;
  return Props{};
}

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

// Label captions for readers on other threads.
std::mutex g_captions_mutex;
std::map<std::pair<uint32_t, uint32_t>, Text> g_captions;

void PublishLabelCaption(uint32_t window_id, uint32_t control_id, const Text& caption) {
  std::lock_guard<std::mutex> lock(g_captions_mutex);
  g_captions[{window_id, control_id}] = caption;
}

// ---- labels -------------------------------------------------------------------------------

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
    QString s = Q(caption);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    int flags = static_cast<int>(HAlign(h_align));
    if (word_wrap) {
      flags |= Qt::TextWordWrap | Qt::AlignTop;
    } else {
      flags |= Qt::TextSingleLine | static_cast<int>(VAlign(v_align));
    }
    p.setFont(font());
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
      EventResult r = Raise(0, msg->first(), msg->second());
      msg->set_result(r.handled ? r.result : 0);
    };
    widget_ = w;
    Apply();
    return w;
  }
  Value Read(int32_t i) override {
    switch (i) {
      case 0: return props_.caption;
      case 1: return props_.effect;
      case 2: return props_.border_style;
      case 3: return props_.gradient_border_width;
      case 4:
      case 5:
      case 6: return props_.gradient_border_colours[i - 4];
      case 7: return props_.background_colour;
      case 8: return props_.text_colour;
      case 9: return props_.picture_mode;
      case 10: return props_.gradient_background_mode;
      case 11:
      case 12:
      case 13: return props_.gradient_background_colours[i - 11];
      case 14: return props_.h_align;
      case 15: return props_.v_align;
      case 16: return Logical(props_.word_wrap != 0);
      case 17: return props_.font;
      case 18: return props_.picture;
      default: return {};
    }
  }
  void Write(int32_t i, const Value& v) override {
    switch (i) {
      case 0: props_.caption = ValueToText(v); break;
      case 1: props_.effect = ValueToInt(v); break;
      case 2: props_.border_style = ValueToInt(v); break;
      case 3: props_.gradient_border_width = ValueToInt(v); break;
      case 4:
      case 5:
      case 6: props_.gradient_border_colours[i - 4] = ValueToInt(v); break;
      case 7: props_.background_colour = ValueToInt(v); break;
      case 8: props_.text_colour = ValueToInt(v); break;
      case 9: props_.picture_mode = ValueToInt(v); break;
      case 10: props_.gradient_background_mode = ValueToInt(v); break;
      case 11:
      case 12:
      case 13: props_.gradient_background_colours[i - 11] = ValueToInt(v); break;
      case 14: props_.h_align = ValueToInt(v); break;
      case 15: props_.v_align = ValueToInt(v); break;
      case 16: props_.word_wrap = ValueToInt(v) != 0; break;
      case 17:
        if (auto* b = std::get_if<ByteSet>(&v)) props_.font = *b;
        break;
      case 18:
        if (auto* b = std::get_if<ByteSet>(&v)) props_.picture = *b;
        break;
      default: return;
    }
    Apply();
  }

 private:
  void Apply() {
    auto* w = static_cast<CaptionWidget*>(widget_.data());
    if (!w) return;
    w->caption = props_.caption;
    PublishLabelCaption(window_id(), control_id(), props_.caption);
    w->effect = props_.effect;
    w->text_colour = props_.text_colour;
    w->background_colour = props_.background_colour;
    w->border_style = props_.border_style;
    w->h_align = props_.h_align;
    w->v_align = props_.v_align;
    w->word_wrap = props_.word_wrap != 0;
    w->setFont(FontFromLogFont(props_.font));
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
    switch (i) {
      case 0: return props_.caption;
      case 1: return props_.effect;
      case 2: return props_.text_colour;
      case 3: return props_.h_align;
      case 4: return props_.v_align;
      case 5: return Logical(props_.word_wrap != 0);
      case 6: return props_.font;
      default: return {};
    }
  }
  void Write(int32_t i, const Value& v) override {
    switch (i) {
      case 0: props_.caption = ValueToText(v); break;
      case 1: props_.effect = ValueToInt(v); break;
      case 2: props_.text_colour = ValueToInt(v); break;
      case 3: props_.h_align = ValueToInt(v); break;
      case 4: props_.v_align = ValueToInt(v); break;
      case 5: props_.word_wrap = ValueToInt(v) != 0; break;
      case 6:
        if (auto* b = std::get_if<ByteSet>(&v)) props_.font = *b;
        break;
      default: return;
    }
    Apply();
  }

 private:
  void Apply() {
    auto* w = static_cast<CaptionWidget*>(widget_.data());
    if (!w) return;
    w->caption = props_.caption;
    w->effect = props_.effect;
    w->text_colour = props_.text_colour;
    w->h_align = props_.h_align;
    w->v_align = props_.v_align;
    w->word_wrap = props_.word_wrap != 0;
    w->setFont(FontFromLogFont(props_.font));
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
    b->setText(Q(props_.caption));
    b->setFont(FontFromLogFont(props_.font));
    QObject::connect(b, &QPushButton::clicked, b, [this] { Raise(0); });
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
      b->setText(Q(props_.caption));
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
    g->setTitle(Q(props_.caption));
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
      g->setTitle(Q(props_.caption));
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
    QString s = Q(t);
    if (auto* e = qobject_cast<QLineEdit*>(widget_)) e->setText(s);
    if (auto* m = qobject_cast<QPlainTextEdit*>(widget_)) {
      s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
      m->setPlainText(s);
    }
  }
  EditProps props_;
};

// ---- combo box ----------------------------------------------------------------------------

class ComboWidget : public QComboBox {
 public:
  explicit ComboWidget(QWidget* parent) : QComboBox(parent) {}
  std::function<void()> on_choice;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == kComboChoiceMessage) {
      if (on_choice) on_choice();
      return true;
    }
    return QComboBox::event(e);
  }
};

// Property indexes: 0 content (the edit field), 1 kind, 2 maximum length, 3 selection start,
// 4 selection length, 5 auto sort, 6 extra row height, 7 text colour, 8 background colour,
// 9 font, 10 item data, 11 current selection, 12 list items.
class ComboControl : public Control {
 public:
  QWidget* Create(QWidget* parent, const ItemDef& item) override {
    props_ = PropsOf<ComboProps>(item);
    auto* c = new ComboWidget(parent);
    c->setEditable(props_.kind != 2);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setProperty("rc_auto_sort", props_.auto_sort != 0);
    c->setFont(FontFromLogFont(props_.font));
    SetColours(c, props_.text_colour, props_.background_colour);
    for (const Text& t : props_.items) c->addItem(Q(t), 0);
    widget_ = c;
    SetSelection(props_.current_selection);
    if (c->isEditable() && !props_.content.empty()) c->setEditText(Q(props_.content));
    // The chosen event is deferred through a posted message, so it runs after the box has
    // finished its own handling of the choice.
    c->on_choice = [this] { Raise(0); };
    // A narrow edit field shows the start of the choice, not its end.
    QObject::connect(c, &QComboBox::currentIndexChanged, c, [c] {
      if (c->lineEdit()) c->lineEdit()->home(false);
    });
    if (c->lineEdit()) c->lineEdit()->home(false);
    QObject::connect(c, &QComboBox::activated, c,
                     [c](int) { QCoreApplication::postEvent(c, new ComboChoiceEvent()); });
    return c;
  }
  Value Read(int32_t i) override {
    auto* c = static_cast<QComboBox*>(widget_.data());
    switch (i) {
      case 0: return FromQ(c->currentText());
      case 1: return props_.kind;
      case 5: return Logical(props_.auto_sort != 0);
      case 7: return props_.text_colour;
      case 8: return props_.background_colour;
      case 9: return props_.font;
      case 11: return static_cast<int32_t>(c->currentIndex());
      default: return {};
    }
  }
  void Write(int32_t i, const Value& v) override {
    auto* c = static_cast<QComboBox*>(widget_.data());
    switch (i) {
      case 0:
        if (c->isEditable()) c->setEditText(Q(ValueToText(v)));
        break;
      case 7:
        props_.text_colour = ValueToInt(v);
        SetColours(c, props_.text_colour, props_.background_colour);
        break;
      case 8:
        props_.background_colour = ValueToInt(v);
        SetColours(c, props_.text_colour, props_.background_colour);
        break;
      case 11: SetSelection(ValueToInt(v)); break;
      default: break;
    }
  }

 private:
  // Clamped to the last item; anything below -1 selects nothing. Raises no event, since
  // only a user's choice posts the choice message.
  void SetSelection(int32_t index) {
    auto* c = static_cast<QComboBox*>(widget_.data());
    int32_t last = c->count() - 1;
    index = std::max(-1, std::min(index, last));
    c->setCurrentIndex(index);
  }
  ComboProps props_;
};

// ---- timer --------------------------------------------------------------------------------

// Property index 0: the interval in milliseconds. Writing a negative value stores 0, the
// current value changes nothing, anything else restarts the timer (0 stops it).
class TimerControl : public Control {
 public:
  QWidget* Create(QWidget* parent, const ItemDef& item) override {
    auto* w = new QWidget(parent);
    timer_ = new QTimer(w);
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, w, [this] { Raise(0); });
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

// ---- list view ----------------------------------------------------------------------------

// A mouse press makes the clicked row current before it selects it, so the row-changed
// notification is held back until the mouse event has been handled: the handler then finds
// the new row selected, as it does after a key press. Clicks are reported when the button
// is released over the list, after the selection has settled.
class ListWidget : public QTreeWidget {
 public:
  explicit ListWidget(QWidget* parent) : QTreeWidget(parent) {
    QObject::connect(this, &QTreeWidget::currentItemChanged, this,
                     [this](QTreeWidgetItem* now, QTreeWidgetItem*) {
                       if (!now) return;
                       if (in_mouse_event_ > 0) {
                         row_change_pending_ = true;
                       } else if (on_row_changed) {
                         on_row_changed();
                       }
                     });
  }
  std::function<void()> on_row_changed;
  std::function<void(Qt::MouseButton)> on_click;

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    pressed_ = e->button();
    InMouseEvent([&] { QTreeWidget::mousePressEvent(e); });
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    InMouseEvent([&] { QTreeWidget::mouseMoveEvent(e); });
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    InMouseEvent([&] { QTreeWidget::mouseReleaseEvent(e); });
    bool click = e->button() == pressed_ && viewport()->rect().contains(e->position().toPoint());
    pressed_ = Qt::NoButton;
    if (click && on_click) on_click(e->button());
  }

 private:
  template <typename F>
  void InMouseEvent(F&& handle) {
    ++in_mouse_event_;
    handle();
    if (--in_mouse_event_ == 0 && row_change_pending_) {
      row_change_pending_ = false;
      if (on_row_changed) on_row_changed();
    }
  }
  int in_mouse_event_ = 0;
  bool row_change_pending_ = false;
  Qt::MouseButton pressed_ = Qt::NoButton;
};

// The column widths were chosen for a font whose Latin letters are half as wide as a Chinese
// character; the substituted font's are wider. A title that does not fit between the
// style's margins (the 30-pixel "Num") is drawn with narrower ones rather than cut off; the
// section itself is still the style's.
class ListHeader : public QHeaderView {
 public:
  explicit ListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logical_index) const override {
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    initStyleOptionForIndex(&opt, logical_index);
    opt.rect = rect;
    int room = style()->subElementRect(QStyle::SE_HeaderLabel, &opt, this).width();
    if (opt.text.isEmpty() || fontMetrics().horizontalAdvance(opt.text) <= room) {
      QHeaderView::paintSection(painter, rect, logical_index);
      return;
    }
    QString text = opt.text;
    opt.text.clear();
    painter->save();
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);
    painter->restore();
    style()->drawItemText(painter, rect.adjusted(1, 0, -1, 0),
                          static_cast<int>(opt.textAlignment), opt.palette, isEnabled(), text,
                          QPalette::ButtonText);
  }
};

// Grid lines: each cell gets a light line on its right and bottom edges, drawn over the
// ordinary cell so that the selection keeps its look.
class GridLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(QColor(0xD4, 0xD0, 0xC8));
    const QRect& r = option.rect;
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
  }
};

// Property indexes follow the stored order: 0 border style, 1 text colour, 2 text
// background, 3 background, 4 view, ..., 27 selected row (read only: the first selected row,
// -1 when none).
class ListViewControl : public Control {
 public:
  static constexpr int32_t kSelectedRow = 27;

  QWidget* Create(QWidget* parent, const ItemDef& item) override {
    props_ = PropsOf<ListViewProps>(item);
    auto* t = new ListWidget(parent);
    t->setHeader(new ListHeader(t));
    t->setRootIsDecorated(false);
    t->setIndentation(0);
    t->setUniformRowHeights(true);
    t->setItemsExpandable(false);
    t->setAllColumnsShowFocus(true);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(props_.single_selection ? QAbstractItemView::SingleSelection
                                                : QAbstractItemView::ExtendedSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setHeaderHidden(props_.header_hidden != 0);
    t->header()->setSectionsClickable(props_.header_clickable != 0);
    t->header()->setSectionsMovable(props_.header_drag != 0);
    t->header()->setStretchLastSection(false);
    t->header()->setMinimumSectionSize(1);
    if (props_.border_style == 0) t->setFrameShape(QFrame::NoFrame);
    t->setFont(FontFromLogFont(props_.font));
    SetColours(t, props_.text_colour, props_.background);
    t->setColumnCount(static_cast<int>(props_.columns.size()));
    auto* header = t->headerItem();
    for (size_t i = 0; i < props_.columns.size(); ++i) {
      const ListColumn& c = props_.columns[i];
      int col = static_cast<int>(i);
      header->setText(col, Q(c.title));
      // The header item's alignment is also the alignment of the column's cells.
      header->setTextAlignment(col, HAlign(c.alignment) | Qt::AlignVCenter);
      t->header()->resizeSection(col, c.width);
    }
    if (props_.grid_lines) t->setItemDelegate(new GridLineDelegate(t));
    t->on_row_changed = [this] { Raise(0); };
    QObject::connect(t, &QTreeWidget::itemActivated, t, [this] { Raise(1); });
    QObject::connect(t->header(), &QHeaderView::sectionClicked, t,
                     [this](int column) { Raise(2, column); });
    t->on_click = [this](Qt::MouseButton b) {
      if (b == Qt::LeftButton) Raise(4);
      if (b == Qt::RightButton) Raise(5);
    };
    widget_ = t;
    return t;
  }
  Value Read(int32_t i) override {
    auto* t = static_cast<QTreeWidget*>(widget_.data());
    switch (i) {
      case 0: return props_.border_style;
      case 1: return props_.text_colour;
      case 2: return props_.text_background;
      case 3: return props_.background;
      case 4: return props_.view;
      case kSelectedRow: {
        int32_t first = -1;
        for (QTreeWidgetItem* item : t->selectedItems()) {
          int32_t row = t->indexOfTopLevelItem(item);
          if (row >= 0 && (first < 0 || row < first)) first = row;
        }
        return first;
      }
      default: return {};
    }
  }

 private:
  ListViewProps props_;
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

Text PublishedLabelCaption(uint32_t window_id, uint32_t control_id) {
  std::lock_guard<std::mutex> lock(g_captions_mutex);
  auto it = g_captions.find({window_id, control_id});
  return it == g_captions.end() ? Text() : it->second;
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
       &Make<EditControl>},
      {kTypeGroupBox,
       "分组框",
       kTypeRaisesEvents,
       {P::kPropText, P::kPropByteSet},
       &Make<GroupControl>},
      {kTypeLabel,
       "标签",
       kTypeRaisesEvents,
       {P::kPropText, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger,
        P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger,
        P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger,
        P::kPropInteger, P::kPropLogical, P::kPropByteSet, P::kPropByteSet},
       &Make<LabelControl>},
      {kTypeButton,
       "按钮",
       kTypeRaisesEvents,
       {P::kPropText, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropByteSet,
        P::kPropByteSet},
       &Make<ButtonControl>},
      {kTypeComboBox,
       "组合框",
       kTypeRaisesEvents,
       {P::kPropText, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger,
        P::kPropLogical, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropByteSet,
        P::kPropByteSet, P::kPropInteger, P::kPropByteSet},
       &Make<ComboControl>},
      {kTypeTimer,
       "时钟",
       kTypeRaisesEvents | kTypeNeverVisible,
       {P::kPropInteger},
       &Make<TimerControl>},
      {kTypeListView, "超级列表框", kTypeRaisesEvents, std::vector<P>(28, P::kPropInteger),
       &Make<ListViewControl>},
      {kTypeTransparentLabel,
       "透明标签",
       kTypeRaisesEvents,
       {P::kPropText, P::kPropInteger, P::kPropInteger, P::kPropInteger, P::kPropInteger,
        P::kPropLogical, P::kPropByteSet},
       &Make<TransparentLabelControl>},
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
