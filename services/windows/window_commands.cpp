#include "services/windows/window_commands.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <QShortcut>
#include <QTreeWidget>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/windows/active_window.h"

namespace rc {
namespace {

// How long a window switching between framed and unmanaged may wait for the window manager
// to let go of it: a few event-loop turns of a busy manager.
constexpr int kWindowManagerReleaseMs = 500;

QString ToQString(const Text& t) { return QString::fromStdU16String(t.ToUtf16()); }
Text FromQ(const QString& s) { return Text::FromUtf16(s.toStdU16String()); }

Text MessageText(const Value& message) {
  if (std::holds_alternative<Text>(message)) return std::get<Text>(message);
  if (std::holds_alternative<ByteSet>(message) || std::holds_alternative<SubroutinePtr>(message))
    return Text();
  return ToText(message);
}

// The buttons of each button-style code, in the order the default-button bits count them.
std::vector<QMessageBox::StandardButton> ButtonsFor(int32_t style) {
  using B = QMessageBox;
  switch (style & 0xF) {
    case 1: return {B::Ok, B::Cancel};
    case 2: return {B::Abort, B::Retry, B::Ignore};
    case 3: return {B::Yes, B::No, B::Cancel};
    case 4: return {B::Yes, B::No};
    case 5: return {B::Retry, B::Cancel};
    default: return {B::Ok};
  }
}

QMessageBox::Icon IconFor(int32_t style) {
  switch (style & 0xF0) {
    case 0x10: return QMessageBox::Critical;
    case 0x20: return QMessageBox::Question;
    case 0x30: return QMessageBox::Warning;
    case 0x40: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

int32_t ResultFor(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Cancel: return kResultCancel;
    case QMessageBox::Abort: return kResultAbort;
    case QMessageBox::Retry: return kResultRetry;
    case QMessageBox::Ignore: return kResultIgnore;
    case QMessageBox::Yes: return kResultYes;
    case QMessageBox::No: return kResultNo;
    default: return kResultOk;
  }
}

QComboBox* Combo(forms::WindowId window_id, forms::ControlId control_id) {
  return qobject_cast<QComboBox*>(forms::ControlWidget(window_id, control_id));
}

QTreeWidget* List(forms::WindowId window_id, forms::ControlId control_id) {
  return qobject_cast<QTreeWidget*>(forms::ListViewWidgetOrDie(window_id, control_id));
}

// A box belongs to the window whose event is being handled: it comes up over that window,
// on its monitor, rather than in the middle of the primary one. Outside any handler, or
// while that window is gone, the box keeps the toolkit's own place.
class MessageBox : public QMessageBox {
 public:
  MessageBox(Icon icon, const QString& title, const QString& text)
      : QMessageBox(icon, title, text), owner_(forms::CurrentEventSource().window_id) {}

 protected:
  // The box has its final size here, and is not on the screen yet.
  void showEvent(QShowEvent* e) override {
    QMessageBox::showEvent(e);
    if (!e->spontaneous()) PlaceOverOwner();
  }

 private:
  void PlaceOverOwner() {
    QWidget* owner = forms::IsWindowLoaded(owner_) ? forms::WindowWidget(owner_) : nullptr;
    if (!owner) return;
    const QRect over = owner->frameGeometry();
    QScreen* screen = QGuiApplication::screenAt(over.center());
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize size = frameGeometry().size();
    QPoint corner = over.center() - QPoint(size.width() / 2, size.height() / 2);
    // A window that stays on top, shown, would hide the box: the box goes just below it, or
    // above it where the monitor ends first.
    if (owner->isVisible() && (owner->windowFlags() & Qt::WindowStaysOnTopHint)) {
      const bool room_below = over.bottom() + kGap + size.height() <= area.bottom();
      corner.setY(room_below ? over.bottom() + kGap : over.top() - kGap - size.height());
    }
    move(std::clamp(corner.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())),
         std::clamp(corner.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height())));
  }

  static constexpr int kGap = 8;
  forms::WindowId owner_;
};

}  // namespace

int32_t ShowMessage(const Value& message, int32_t flags, const std::optional<Text>& caption) {
  if (!(flags & kMbSystemModal)) flags |= kMbTaskModal;
  MessageBox box(IconFor(flags), ToQString(caption.value_or("信息："_gbk)),
                 ToQString(MessageText(message)));
  std::vector<QMessageBox::StandardButton> buttons = ButtonsFor(flags);
  for (QMessageBox::StandardButton b : buttons) box.addButton(b);
  size_t default_index = static_cast<size_t>((flags >> 8) & 0xF);
  if (default_index < buttons.size()) box.setDefaultButton(buttons[default_index]);
  if (buttons.size() == 1) box.setEscapeButton(buttons[0]);
  // Ctrl+C copies the title and the text, a blank line between them, so that a message can be
  // passed on to someone who helps (and read back by the end-to-end tests).
  QShortcut copy(QKeySequence::Copy, &box);
  QObject::connect(&copy, &QShortcut::activated, &box, [&box] {
    QGuiApplication::clipboard()->setText(box.windowTitle() + "\n\n" + box.text());
  });

  // Task-modal: the program's other top-level windows are disabled while the box is open.
  std::vector<QPointer<QWidget>> disabled;
  if (flags & kMbTaskModal) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->isWindow() && w->isEnabled() && w != &box) {
        w->setEnabled(false);
        disabled.emplace_back(w);
      }
    }
  }
  box.exec();
  for (QPointer<QWidget>& w : disabled) {
    if (w) w->setEnabled(true);
  }
  QAbstractButton* clicked = box.clickedButton();
  if (!clicked) return kResultOk;
  return ResultFor(box.standardButton(clicked));
}

void ProcessEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

NativeHandle WindowHandle(forms::WindowId window_id, forms::ControlId control_id) {
  QWidget* w = forms::ControlWidget(window_id, control_id);
  if (!w) return 0;
  const WId id = w->winId();  // made now if the window has none yet
  // A window's native window is replaced when its frame changes (ShowWindowOnTop); only
  // its QWindow knows the new one.
  if (w->isWindow() && w->windowHandle()) {
    return static_cast<NativeHandle>(w->windowHandle()->winId());
  }
  return static_cast<NativeHandle>(id);
}

void ShowWindowOnTop(forms::WindowId window_id) {
  QWidget* w = forms::WindowWidget(window_id);
  if (!w) return;
  Qt::WindowFlags wanted = w->windowFlags() | Qt::WindowStaysOnTopHint;
  wanted.setFlag(Qt::X11BypassWindowManagerHint, ActiveWindowIsFullScreen());
  if (w->isVisible() && w->windowFlags() == wanted) {
    // Nobody but this program stacks a window the window manager does not manage, and the
    // manager raises the slide show over it when it activates the slide show again.
    if (wanted & Qt::X11BypassWindowManagerHint) w->raise();
    return;
  }
  // Whether the window manager frames a window is settled when it is mapped, so new flags
  // hide the window first. Qt may then give the window a new native window; its controls
  // keep theirs (the hot keys notify a label), and WindowHandle gives the current one.
  // A window that hid a moment ago may still be in the manager's hands too.
  if (w->windowFlags() != wanted) {
    w->setWindowFlags(wanted);
    WaitUntilReleasedByWindowManager(w->windowHandle() ? w->windowHandle()->winId() : 0,
                                     kWindowManagerReleaseMs);
  }
  w->setAttribute(Qt::WA_ShowWithoutActivating, true);
  forms::WriteProperty(window_id, forms::kWindowItself, forms::kPropVisible, Logical(true));
  w->raise();
}

void MoveWindowTo(forms::WindowId window_id, int32_t x, int32_t y) {
  if (QWidget* w = forms::WindowWidget(window_id)) w->move(x, y);
}

bool OpenWindow(forms::WindowId window_id, std::optional<forms::WindowId> parent_window_id,
                bool modal) {
  if (parent_window_id && !forms::IsWindowLoaded(*parent_window_id)) return false;
  return forms::LoadWindow(window_id, parent_window_id, modal);
}

void PopUpMenu(forms::WindowId window_id, forms::ControlId menu_item_id, std::optional<int32_t> x,
               std::optional<int32_t> y) {
  std::unique_ptr<QMenu> menu = forms::CreatePopupMenu(window_id, menu_item_id);
  if (!menu) return;
  QPoint at = QCursor::pos() + QPoint(3, 3);
  if (x) at.setX(*x);
  if (y) at.setY(*y);
  menu->exec(at);
}

Text ComboItemText(forms::WindowId window_id, forms::ControlId control_id, int32_t index) {
  QComboBox* c = Combo(window_id, control_id);
  if (!c || index < 0 || index >= c->count()) return Text();
  return FromQ(c->itemText(index));
}

int32_t ComboAddItem(forms::WindowId window_id, forms::ControlId control_id, const Text& text,
                     std::optional<int32_t> item_data) {
  QComboBox* c = Combo(window_id, control_id);
  if (!c) return -1;
  QString s = ToQString(text);
  int index = c->count();
  if (c->property("rc_auto_sort").toBool()) {
    index = 0;
    while (index < c->count() && QString::localeAwareCompare(c->itemText(index), s) <= 0) ++index;
  }
  // A box without a selection keeps none: Qt would select the first item put into an
  // empty box.
  bool had_selection = c->currentIndex() >= 0;
  c->insertItem(index, s, item_data.value_or(0));
  if (!had_selection) c->setCurrentIndex(-1);
  return index;
}

void ComboClear(forms::WindowId window_id, forms::ControlId control_id) {
  if (QComboBox* c = Combo(window_id, control_id)) c->clear();
}

Text ListCellText(forms::WindowId window_id, forms::ControlId control_id, int32_t row,
                  std::optional<int32_t> column) {
  QTreeWidget* t = List(window_id, control_id);
  int32_t col = column.value_or(0);
  QTreeWidgetItem* item = t && row >= 0 ? t->topLevelItem(row) : nullptr;
  if (!item || col < 0 || col >= t->columnCount()) return Text();
  return FromQ(item->text(col));
}

void ListSetCellText(forms::WindowId window_id, forms::ControlId control_id, int32_t row,
                     std::optional<int32_t> column, const std::optional<Text>& text) {
  QTreeWidget* t = List(window_id, control_id);
  int32_t col = column.value_or(0);
  QTreeWidgetItem* item = t && row >= 0 ? t->topLevelItem(row) : nullptr;
  if (!item || col < 0 || col >= t->columnCount()) return;
  item->setText(col, ToQString(text.value_or(Text())));
}

int32_t ListInsertRow(forms::WindowId window_id, forms::ControlId control_id,
                      std::optional<int32_t> position, const std::optional<Text>& text,
                      std::optional<int32_t> image,
                      std::optional<int32_t> state_image, std::optional<int32_t> indent,
                      std::optional<int32_t> row_data) {
  (void)state_image;  // accepted and ignored
  QTreeWidget* t = List(window_id, control_id);
  if (!t) return -1;
  int32_t count = t->topLevelItemCount();
  int32_t at = position.value_or(-1);
  if (at < 0 || at > count) at = count;
  auto* item = new QTreeWidgetItem();
  for (int col = 0; col < t->columnCount(); ++col) {
    item->setTextAlignment(col, Qt::Alignment(t->headerItem()->textAlignment(col)));
  }
  item->setText(0, ToQString(text.value_or(Text())));
  int32_t image_index = image.value_or(-1);
  item->setData(0, Qt::UserRole, row_data.value_or(0));
  item->setData(0, Qt::UserRole + 1, image_index < -1 ? -1 : image_index);
  item->setData(0, Qt::UserRole + 2, std::max(0, indent.value_or(0)));
  t->insertTopLevelItem(at, item);
  return t->indexOfTopLevelItem(item);
}

void ListDeleteAllRows(forms::WindowId window_id, forms::ControlId control_id) {
  if (QTreeWidget* t = List(window_id, control_id)) t->clear();
}

std::vector<std::vector<Text>> ListTable(forms::WindowId window_id, forms::ControlId control_id) {
  std::vector<std::vector<Text>> table;
  QTreeWidget* t = List(window_id, control_id);
  if (!t) return table;
  auto row_of = [&](QTreeWidgetItem* item) {
    std::vector<Text> cells;
    for (int col = 0; col < t->columnCount(); ++col) cells.push_back(FromQ(item->text(col)));
    return cells;
  };
  table.push_back(row_of(t->headerItem()));
  for (int row = 0; row < t->topLevelItemCount(); ++row) table.push_back(row_of(t->topLevelItem(row)));
  return table;
}

}  // namespace rc
