// Menu bars and pop-up menus: a menu item's event is raised by its command number.
#include "forms/internal/menus.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "forms/definition_format.h"
#include "forms/ids.h"
#include "forms/indexes.h"

namespace rc::forms {
namespace {

// Indexes into the window's items of its menu items, in definition order: position k has
// command number kFirstMenuCommand + k.
std::vector<size_t> MenuPositions(const std::vector<LiveItem>& items) {
  std::vector<size_t> out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].def.type == kTypeMenuItem) out.push_back(i);
  }
  return out;
}

void DispatchMenuCommand(WindowId window_id, int32_t command) {
  LoadedWindow* lw = Loaded(window_id);
  if (!lw) return;
  std::vector<size_t> menu = MenuPositions(lw->items);
  int64_t k = static_cast<int64_t>(command) - kFirstMenuCommand;
  if (k < 0 || k >= static_cast<int64_t>(menu.size())) return;
  RaiseEvent(window_id, ControlId(lw->items[menu[static_cast<size_t>(k)]].def.id),
             kEventMenuChosen);
}

// Adds the entries one level below the menu item at menu position `parent` to `popup`; an
// entry with entries of its own becomes a submenu.
void AddPopupEntries(QMenu* popup, LoadedWindow* lw, const std::vector<size_t>& menu,
                     size_t parent) {
  const int32_t level = lw->items[menu[parent]].def.level;
  const WindowId window_id = lw->id;
  for (size_t j = parent + 1; j < menu.size(); ++j) {
    const ItemDef& item = lw->items[menu[j]].def;
    if (item.level <= level) break;
    if (item.level != level + 1) continue;
    if (j + 1 < menu.size() && lw->items[menu[j + 1]].def.level > item.level) {
      QMenu* sub = popup->addMenu(ToQString(item.caption));
      sub->setEnabled(!(item.menu_flags & kMenuFlagDisabled));
      AddPopupEntries(sub, lw, menu, j);
      continue;
    }
    QAction* a = popup->addAction(ToQString(item.caption));
    a->setEnabled(!(item.menu_flags & kMenuFlagDisabled));
    a->setCheckable(item.menu_flags & kMenuFlagChecked);
    a->setChecked(item.menu_flags & kMenuFlagChecked);
    int32_t command = kFirstMenuCommand + static_cast<int32_t>(j);
    // The chosen command arrives as a posted message, after the menu has closed.
    QObject::connect(a, &QAction::triggered, lw->widget, [window_id, command] {
      QTimer::singleShot(0, qApp,
                         [window_id, command] { DispatchMenuCommand(window_id, command); });
    });
  }
}

}  // namespace

void BuildMenuBar(LoadedWindow* lw) {
  std::vector<size_t> menu = MenuPositions(lw->items);
  QMenu* current = nullptr;
  for (size_t k = 0; k < menu.size(); ++k) {
    const ItemDef& item = lw->items[menu[k]].def;
    int32_t command = kFirstMenuCommand + static_cast<int32_t>(k);
    WindowId window_id = lw->id;
    if (item.level == 0) {
      current = nullptr;
      if (item.menu_flags & kMenuFlagHidden) continue;
      if (!lw->menu_bar) {
        lw->menu_bar = new QMenuBar(lw->widget);
        lw->menu_bar->setObjectName(QStringLiteral("menu_bar"));
      }
      bool has_entries = k + 1 < menu.size() && lw->items[menu[k + 1]].def.level > 0;
      if (has_entries) {
        current = lw->menu_bar->addMenu(ToQString(item.caption));
      } else {
        QAction* a = lw->menu_bar->addAction(ToQString(item.caption));
        QObject::connect(a, &QAction::triggered, lw->widget,
                         [window_id, command] { DispatchMenuCommand(window_id, command); });
      }
    } else if (current) {
      QAction* a = current->addAction(ToQString(item.caption));
      a->setEnabled(!(item.menu_flags & kMenuFlagDisabled));
      a->setCheckable(item.menu_flags & kMenuFlagChecked);
      a->setChecked(item.menu_flags & kMenuFlagChecked);
      QObject::connect(a, &QAction::triggered, lw->widget,
                       [window_id, command] { DispatchMenuCommand(window_id, command); });
    }
  }
  if (lw->menu_bar) lw->menu_bar->adjustSize();
}

std::unique_ptr<QMenu> CreatePopupMenu(WindowId window_id, ControlId menu_item_id) {
  LoadedWindow* lw = Loaded(window_id);
  if (!lw) return nullptr;
  std::vector<size_t> menu = MenuPositions(lw->items);
  size_t k = 0;
  while (k < menu.size() && lw->items[menu[k]].def.id != menu_item_id.value) ++k;
  if (k >= menu.size()) return nullptr;
  int32_t level = lw->items[menu[k]].def.level;
  if (k + 1 >= menu.size() || lw->items[menu[k + 1]].def.level <= level) return nullptr;
  auto popup = std::make_unique<QMenu>(lw->widget);
  popup->setObjectName(QStringLiteral("popup_menu"));
  AddPopupEntries(popup.get(), lw, menu, k);
  return popup;
}

bool SetMenuItemChecked(WindowId window_id, ControlId menu_item_id, bool checked) {
  LoadedWindow* lw = Loaded(window_id);
  LiveItem* live = lw ? FindLive(lw, menu_item_id) : nullptr;
  if (!live || live->def.type != kTypeMenuItem) return false;
  if (checked) {
    live->def.menu_flags |= kMenuFlagChecked;
  } else {
    live->def.menu_flags &= ~kMenuFlagChecked;
  }
  return true;
}

}  // namespace rc::forms
