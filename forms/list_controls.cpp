// The controls that hold rows: the combo box and the list view.
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
#include <utility>
#include <vector>

#include "forms/internal/balloon_tip_popup.h"
#include "forms/internal/control.h"
#include "forms/internal/fonts.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/messages.h"
#include "forms/internal/control_kit.h"

namespace rc::forms {
namespace {

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
    for (const Text& t : props_.items) c->addItem(ToQString(t), 0);
    widget_ = c;
    SetSelection(props_.current_selection);
    if (c->isEditable() && !props_.content.empty()) c->setEditText(ToQString(props_.content));
    // The chosen event is deferred through a posted message, so it runs after the box has
    // finished its own handling of the choice.
    c->on_choice = [this] { Raise(kEventItemChosen); };
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
        if (c->isEditable()) c->setEditText(ToQString(ValueToText(v)));
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


// ---- list view ----------------------------------------------------------------------------

// How wide a column may grow to show its longest entry; an entry longer still is cut, and
// the list scrolls sideways once its columns are wider than itself.
constexpr int kWidestFittedColumn = 200;

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
  // The model outlives the list's own parts and signals as it goes; nothing here may hear it.
  ~ListWidget() override {
    for (const QMetaObject::Connection& c : fitting_) QObject::disconnect(c);
  }

  std::function<void()> on_row_changed;
  std::function<void(Qt::MouseButton)> on_click;

  // From here on, columns widen to their longest entry, up to kWidestFittedColumn, and never
  // become narrower than designed: entries that fit keep the designed look, and a long name
  // shows whole instead of ending in "…". A column narrows again, at most to its design, when
  // entries go.
  void FitColumnsToEntries(std::vector<int> design_widths) {
    design_widths_ = std::move(design_widths);
    QAbstractItemModel* m = model();
    fitting_ = {
        QObject::connect(m, &QAbstractItemModel::rowsInserted, this,
                         [this](const QModelIndex&, int first, int last) {
                           Widen(first, last, 0, LastFitted());
                         }),
        QObject::connect(m, &QAbstractItemModel::dataChanged, this,
                         [this](const QModelIndex& from, const QModelIndex& to) {
                           Widen(from.row(), to.row(), from.column(), to.column());
                         }),
        QObject::connect(m, &QAbstractItemModel::rowsRemoved, this, [this] { Refit(); }),
        QObject::connect(m, &QAbstractItemModel::modelReset, this, [this] { Refit(); })};
  }

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
  int LastFitted() const { return static_cast<int>(design_widths_.size()) - 1; }

  // Cells only ever widen their column here, so filling a list costs one look per cell.
  void Widen(int first_row, int last_row, int first_column, int last_column) {
    last_column = std::min(last_column, LastFitted());
    for (int column = std::max(first_column, 0); column <= last_column; ++column) {
      const int design = design_widths_[static_cast<size_t>(column)];
      if (design <= 0) continue;  // a column designed hidden stays hidden
      int wanted = header()->sectionSize(column);
      for (int row = first_row; row <= last_row; ++row) {
        const int needed = sizeHintForIndex(model()->index(row, column)).width();
        wanted = std::max(wanted, std::min(needed, std::max(design, kWidestFittedColumn)));
      }
      if (wanted != header()->sectionSize(column)) header()->resizeSection(column, wanted);
    }
  }

  void Refit() {
    for (int column = 0; column <= LastFitted(); ++column) {
      header()->resizeSection(column, design_widths_[static_cast<size_t>(column)]);
    }
    const int rows = model()->rowCount();
    if (rows > 0) Widen(0, rows - 1, 0, LastFitted());
  }

  int in_mouse_event_ = 0;
  bool row_change_pending_ = false;
  Qt::MouseButton pressed_ = Qt::NoButton;
  std::vector<int> design_widths_;
  std::vector<QMetaObject::Connection> fitting_;
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
      header->setText(col, ToQString(c.title));
      // The header item's alignment is also the alignment of the column's cells.
      header->setTextAlignment(col, HAlign(c.alignment) | Qt::AlignVCenter);
      t->header()->resizeSection(col, c.width);
    }
    if (props_.grid_lines) t->setItemDelegate(new GridLineDelegate(t));
    std::vector<int> design_widths;
    for (const ListColumn& c : props_.columns) design_widths.push_back(c.width);
    t->FitColumnsToEntries(std::move(design_widths));
    t->on_row_changed = [this] { Raise(kEventCurrentRowChanged); };
    QObject::connect(t, &QTreeWidget::itemActivated, t, [this] { Raise(kEventRowActivated); });
    QObject::connect(t->header(), &QHeaderView::sectionClicked, t,
                     [this](int column) { Raise(kEventHeaderClicked, column); });
    t->on_click = [this](Qt::MouseButton b) {
      if (b == Qt::LeftButton) Raise(kEventLeftClicked);
      if (b == Qt::RightButton) Raise(kEventRightClicked);
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

}  // namespace

std::unique_ptr<Control> MakeComboControl() { return std::make_unique<ComboControl>(); }
std::unique_ptr<Control> MakeListViewControl() { return std::make_unique<ListViewControl>(); }

}  // namespace rc::forms
