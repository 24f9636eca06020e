// The window definitions as data: what the readable source spells out, what the encoder
// writes into the stored block and what the decoder rebuilds from it. No Qt here.
//
// Each control type's property data is one struct holding every stored field in stored order;
// its member defaults are the type's defaults, used when an item stores no property data.
#ifndef ROLLCALL_FORMS_DEFINITION_MODEL_H_
#define ROLLCALL_FORMS_DEFINITION_MODEL_H_

#include <array>
#include <cstdint>
#include <variant>
#include <vector>

#include "core/text.h"
#include "core/value.h"

namespace rc::forms {

// A colour value that stands for "the system's default colour of this element".
constexpr int32_t kDefaultColour = static_cast<int32_t>(0xFF000000u);

struct WindowProps {
  int32_t border_style = 2;
  int32_t picture_mode = 1;
  int32_t background_colour = kDefaultColour;
  int32_t maximise_box = 0;
  int32_t minimise_box = 0;
  int32_t control_box = 1;
  int32_t start_position = 1;
  int32_t close_enabled = 1;
  std::array<int32_t, 8> further{};
  int32_t topmost = 0;
  int32_t further2 = 0;
  Text text1;
  ByteSet background_picture;
  ByteSet set1;
  ByteSet set2;
  Text title;
  Text text2;
  friend bool operator==(const WindowProps&, const WindowProps&) = default;
};

struct LabelProps {
  int32_t effect = 0;
  int32_t gradient_border_width = 8;
  int32_t border_style = 0;
  std::array<int32_t, 3> gradient_border_colours{0x808080, 0xFFFFFF, 0x808080};
  int32_t text_colour = 0;
  int32_t background_colour = kDefaultColour;
  int32_t picture_mode = 0;
  int32_t gradient_background_mode = 0;
  std::array<int32_t, 3> gradient_background_colours{0x808080, 0xFFFFFF, 0x808080};
  int32_t h_align = 0;
  int32_t v_align = 1;
  int32_t word_wrap = 0;
  ByteSet font;
  ByteSet picture;
  Text caption;
  Text binding1;
  Text binding2;
  friend bool operator==(const LabelProps&, const LabelProps&) = default;
};

struct ButtonProps {
  int32_t kind = 0;
  int32_t h_align = 1;
  int32_t v_align = 1;
  ByteSet picture;
  ByteSet font;
  Text caption;
  friend bool operator==(const ButtonProps&, const ButtonProps&) = default;
};

struct EditProps {
  int32_t border_style = 1;
  int32_t text_colour = 0;
  int32_t background_colour = 0xFFFFFF;
  int32_t hide_selection = 1;
  int32_t max_length = 0;
  int32_t multi_line = 0;
  int32_t scroll_bars = 0;
  int32_t alignment = 0;
  int32_t input_mode = 0;
  uint16_t password_char = '*';
  int32_t letter_case = 0;
  int32_t spin_box = 0;
  int32_t spin_min = 0;
  int32_t spin_max = 100;
  int32_t selection_start = 0;
  int32_t selection_length = 0;
  ByteSet font;
  Text content;
  Text binding1;
  Text binding2;
  friend bool operator==(const EditProps&, const EditProps&) = default;
};

struct ComboProps {
  int32_t kind = 1;
  int32_t max_length = 0;
  int32_t selection_start = 0;
  int32_t selection_length = 0;
  int32_t auto_sort = 0;
  int32_t extra_row_height = 0;
  int32_t text_colour = 0;
  int32_t background_colour = 0xFFFFFF;
  int32_t current_selection = -1;
  ByteSet font;
  ByteSet item_data;
  Text content;
  std::vector<Text> items;
  Text binding1;
  Text binding2;
  int32_t last = 0;
  friend bool operator==(const ComboProps&, const ComboProps&) = default;
};

struct TimerProps {
  int32_t interval = 0;
  friend bool operator==(const TimerProps&, const TimerProps&) = default;
};

struct GroupProps {
  std::array<int32_t, 3> values{0, 0, kDefaultColour};
  ByteSet font;
  Text caption;
  friend bool operator==(const GroupProps&, const GroupProps&) = default;
};

// One list-view column as stored in the columns byte set.
struct ListColumn {
  uint8_t image_on_right = 0;
  int32_t image = -1;
  int32_t alignment = 0;  // 0 left, 1 centre, 2 right
  int32_t width = 50;
  Text title;
  friend bool operator==(const ListColumn&, const ListColumn&) = default;
};

struct ListViewProps {
  int32_t border_style = 1;
  int32_t text_colour = 0;
  int32_t text_background = 0xFFFFFF;
  int32_t background = 0xFFFFFF;
  int32_t view = 3;
  std::array<int32_t, 3> values1{};
  int32_t header_hidden = 0;
  int32_t header_clickable = 1;
  int32_t full_row_select = 0;
  int32_t grid_lines = 0;
  int32_t header_drag = 0;
  int32_t hot_tracking = 0;
  std::array<int32_t, 3> values2{};
  int32_t label_editing = 0;
  int32_t sort_order = 0;
  int32_t check_boxes = 0;
  int32_t value3 = 0;
  int32_t single_selection = 1;
  int32_t current_row = -1;
  int32_t always_show_selection = 0;
  ByteSet font;
  ByteSet image_list1;
  ByteSet image_list2;
  std::vector<ListColumn> columns;  // stored as one byte set of column records
  ByteSet more1;
  ByteSet more2;
  friend bool operator==(const ListViewProps&, const ListViewProps&) = default;
};

struct TransparentLabelProps {
  int32_t effect = 0;
  int32_t text_colour = 0;
  int32_t h_align = 0;
  int32_t v_align = 0;
  int32_t word_wrap = 1;
  ByteSet font;
  Text caption;
  friend bool operator==(const TransparentLabelProps&, const TransparentLabelProps&) = default;
};

// The balloon tip's stored settings. Defaults: the balloon shape, 600 ms before showing,
// 3000 ms shown, the default style sheet.
struct BalloonTipProps {
  std::array<int32_t, 4> colours{0xE1FFFF, 0xE1FFFF, 0xC0C0FF, 0xFFC0C0};
  int32_t effect = 0;
  int32_t effect_parameter = 5;
  int32_t placement_style = 9;
  int32_t percentage = 10;
  int32_t initial_delay = 600;
  int32_t display_time = 3000;
  std::array<int32_t, 2> fade_intervals{0, 0};
  int32_t text_colour = 0;
  std::array<int32_t, 9> layout_sizes{16, 16, 12, 12, 12, 16, 16, 0, 0};
  std::array<int32_t, 8> further{1, 1, 1, 60, 5, 3, 7, 7};
  Text style_sheet;
  friend bool operator==(const BalloonTipProps&, const BalloonTipProps&) = default;
};

struct HtmlViewProps {
  std::array<int32_t, 3> values{2, 0, 1};
  Text address;
  friend bool operator==(const HtmlViewProps&, const HtmlViewProps&) = default;
};

// No property data (std::monostate) means the type's defaults.
using PropertyData = std::variant<std::monostate, WindowProps, LabelProps, ButtonProps, EditProps,
                                  ComboProps, TimerProps, GroupProps, ListViewProps,
                                  TransparentLabelProps, BalloonTipProps, HtmlViewProps>;

struct EventBinding {
  int32_t event = 0;
  int32_t handler = 0;  // reference into the application; kNoHandler = none
  friend bool operator==(const EventBinding&, const EventBinding&) = default;
};

// One item of a window: the window itself (item 0), a control, or a menu item.
struct ItemDef {
  uint32_t id = 0;
  uint32_t type = 0;
  uint32_t copy_of = 0;
  Text name;
  Text comment;
  // Controls and the window item.
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint32_t container = 0;
  std::vector<uint32_t> children;
  ByteSet cursor{0, 0, 0, 0};
  Text tag;
  uint32_t flags = 0;
  int32_t tab_order = 0;
  std::vector<EventBinding> events;
  PropertyData props;
  // Menu items.
  int32_t shortcut = 0;
  int32_t level = 0;
  uint32_t menu_flags = 0;
  Text caption;
  int32_t handler = -1;
  friend bool operator==(const ItemDef&, const ItemDef&) = default;
};

struct WindowDef {
  uint32_t id = 0;
  std::array<uint32_t, 2> values{};
  Text text1;
  Text text2;
  std::vector<ItemDef> items;  // items[0] is the window itself
  friend bool operator==(const WindowDef&, const WindowDef&) = default;
};

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_DEFINITION_MODEL_H_
