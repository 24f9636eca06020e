#include "forms/internal/property_data_codec.h"

#include <utility>
#include <variant>
#include <vector>

#include "forms/definition_format.h"
#include "forms/ids.h"

namespace rc::forms {
namespace {

ByteSet EncodeColumns(const std::vector<ListColumn>& columns) {
  Writer w;
  for (const ListColumn& c : columns) {
    w.U8(c.image_on_right);
    w.I32(c.image);
    w.I32(c.alignment);
    w.I32(c.width);
    w.ZText(c.title);
  }
  return std::move(w.out());
}

std::vector<ListColumn> DecodeColumns(const ByteSet& bytes, Reader& outer) {
  std::vector<ListColumn> columns;
  Reader r(bytes);
  while (r.ok() && !r.AtEnd()) {
    ListColumn c;
    c.image_on_right = r.U8();
    c.image = r.I32();
    c.alignment = r.I32();
    c.width = r.I32();
    c.title = r.ZText();
    columns.push_back(std::move(c));
  }
  if (!r.ok()) outer.Fail();
  return columns;
}

// Property data, one overload per type: version first, then the fields in stored order.
void Put(Writer& w, const WindowProps& p) {
  w.U32(kWindowPropsVersion);
  for (int32_t v : {p.border_style, p.picture_mode, p.background_colour, p.maximise_box,
                    p.minimise_box, p.control_box, p.start_position, p.close_enabled})
    w.I32(v);
  w.Ints(p.further);
  w.I32(p.topmost);
  w.I32(p.further2);
  w.Counted(p.text1);
  w.Bytes(p.background_picture);
  w.Bytes(p.set1);
  w.Bytes(p.set2);
  w.Counted(p.title);
  w.Counted(p.text2);
}
void Get(Reader& r, WindowProps& p) {
  for (int32_t* v : {&p.border_style, &p.picture_mode, &p.background_colour, &p.maximise_box,
                     &p.minimise_box, &p.control_box, &p.start_position, &p.close_enabled})
    *v = r.I32();
  r.Ints(p.further);
  p.topmost = r.I32();
  p.further2 = r.I32();
  p.text1 = r.Counted();
  p.background_picture = r.Bytes();
  p.set1 = r.Bytes();
  p.set2 = r.Bytes();
  p.title = r.Counted();
  p.text2 = r.Counted();
}

void Put(Writer& w, const LabelProps& p) {
  w.U32(kLabelPropsVersion);
  w.I32(p.effect);
  w.I32(p.gradient_border_width);
  w.I32(p.border_style);
  w.Ints(p.gradient_border_colours);
  w.I32(p.text_colour);
  w.I32(p.background_colour);
  w.I32(p.picture_mode);
  w.I32(p.gradient_background_mode);
  w.Ints(p.gradient_background_colours);
  w.I32(p.h_align);
  w.I32(p.v_align);
  w.I32(p.word_wrap);
  w.Bytes(p.font);
  w.Bytes(p.picture);
  w.Counted(p.caption);
  w.Counted(p.binding1);
  w.Counted(p.binding2);
}
void Get(Reader& r, LabelProps& p) {
  p.effect = r.I32();
  p.gradient_border_width = r.I32();
  p.border_style = r.I32();
  r.Ints(p.gradient_border_colours);
  p.text_colour = r.I32();
  p.background_colour = r.I32();
  p.picture_mode = r.I32();
  p.gradient_background_mode = r.I32();
  r.Ints(p.gradient_background_colours);
  p.h_align = r.I32();
  p.v_align = r.I32();
  p.word_wrap = r.I32();
  p.font = r.Bytes();
  p.picture = r.Bytes();
  p.caption = r.Counted();
  p.binding1 = r.Counted();
  p.binding2 = r.Counted();
}

void Put(Writer& w, const ButtonProps& p) {
  w.U32(kButtonPropsVersion);
  w.I32(p.kind);
  w.I32(p.h_align);
  w.I32(p.v_align);
  w.Bytes(p.picture);
  w.Bytes(p.font);
  w.Counted(p.caption);
}
void Get(Reader& r, ButtonProps& p) {
  p.kind = r.I32();
  p.h_align = r.I32();
  p.v_align = r.I32();
  p.picture = r.Bytes();
  p.font = r.Bytes();
  p.caption = r.Counted();
}

void Put(Writer& w, const EditProps& p) {
  w.U32(kEditPropsVersion);
  for (int32_t v : {p.border_style, p.text_colour, p.background_colour, p.hide_selection,
                    p.max_length, p.multi_line, p.scroll_bars, p.alignment, p.input_mode})
    w.I32(v);
  w.U16(p.password_char);
  for (int32_t v :
       {p.letter_case, p.spin_box, p.spin_min, p.spin_max, p.selection_start, p.selection_length})
    w.I32(v);
  w.Bytes(p.font);
  w.Counted(p.content);
  w.Counted(p.binding1);
  w.Counted(p.binding2);
}
void Get(Reader& r, EditProps& p) {
  for (int32_t* v : {&p.border_style, &p.text_colour, &p.background_colour, &p.hide_selection,
                     &p.max_length, &p.multi_line, &p.scroll_bars, &p.alignment, &p.input_mode})
    *v = r.I32();
  p.password_char = r.U16();
  for (int32_t* v : {&p.letter_case, &p.spin_box, &p.spin_min, &p.spin_max, &p.selection_start,
                     &p.selection_length})
    *v = r.I32();
  p.font = r.Bytes();
  p.content = r.Counted();
  p.binding1 = r.Counted();
  p.binding2 = r.Counted();
}

void Put(Writer& w, const ComboProps& p) {
  w.U32(kComboPropsVersion);
  for (int32_t v : {p.kind, p.max_length, p.selection_start, p.selection_length, p.auto_sort,
                    p.extra_row_height, p.text_colour, p.background_colour, p.current_selection})
    w.I32(v);
  w.Bytes(p.font);
  w.Bytes(p.item_data);
  w.Counted(p.content);
  w.U16(static_cast<uint16_t>(p.items.size()));
  for (const Text& t : p.items) w.Counted(t);
  w.Counted(p.binding1);
  w.Counted(p.binding2);
  w.I32(p.last);
}
void Get(Reader& r, ComboProps& p) {
  for (int32_t* v :
       {&p.kind, &p.max_length, &p.selection_start, &p.selection_length, &p.auto_sort,
        &p.extra_row_height, &p.text_colour, &p.background_colour, &p.current_selection})
    *v = r.I32();
  p.font = r.Bytes();
  p.item_data = r.Bytes();
  p.content = r.Counted();
  uint16_t count = r.U16();
  for (uint16_t i = 0; i < count && r.ok(); ++i) p.items.push_back(r.Counted());
  p.binding1 = r.Counted();
  p.binding2 = r.Counted();
  p.last = r.I32();
}

void Put(Writer& w, const TimerProps& p) {
  w.U32(kTimerPropsVersion);
  w.I32(p.interval);
}
void Get(Reader& r, TimerProps& p) { p.interval = r.I32(); }

void Put(Writer& w, const GroupProps& p) {
  w.U32(kGroupPropsVersion);
  w.Ints(p.values);
  w.Bytes(p.font);
  w.Counted(p.caption);
}
void Get(Reader& r, GroupProps& p) {
  r.Ints(p.values);
  p.font = r.Bytes();
  p.caption = r.Counted();
}

void Put(Writer& w, const ListViewProps& p) {
  w.U32(kListViewPropsVersion);
  for (int32_t v : {p.border_style, p.text_colour, p.text_background, p.background, p.view})
    w.I32(v);
  w.Ints(p.values1);
  for (int32_t v : {p.header_hidden, p.header_clickable, p.full_row_select, p.grid_lines,
                    p.header_drag, p.hot_tracking})
    w.I32(v);
  w.Ints(p.values2);
  for (int32_t v : {p.label_editing, p.sort_order, p.check_boxes, p.value3, p.single_selection,
                    p.current_row, p.always_show_selection})
    w.I32(v);
  w.Bytes(p.font);
  w.Bytes(p.image_list1);
  w.Bytes(p.image_list2);
  w.Bytes(EncodeColumns(p.columns));
  w.Bytes(p.more1);
  w.Bytes(p.more2);
}
void Get(Reader& r, ListViewProps& p) {
  for (int32_t* v : {&p.border_style, &p.text_colour, &p.text_background, &p.background, &p.view})
    *v = r.I32();
  r.Ints(p.values1);
  for (int32_t* v : {&p.header_hidden, &p.header_clickable, &p.full_row_select, &p.grid_lines,
                     &p.header_drag, &p.hot_tracking})
    *v = r.I32();
  r.Ints(p.values2);
  for (int32_t* v : {&p.label_editing, &p.sort_order, &p.check_boxes, &p.value3,
                     &p.single_selection, &p.current_row, &p.always_show_selection})
    *v = r.I32();
  p.font = r.Bytes();
  p.image_list1 = r.Bytes();
  p.image_list2 = r.Bytes();
  p.columns = DecodeColumns(r.Bytes(), r);
  p.more1 = r.Bytes();
  p.more2 = r.Bytes();
}

void Put(Writer& w, const TransparentLabelProps& p) {
  w.U32(kTransparentLabelPropsVersion);
  for (int32_t v : {p.effect, p.text_colour, p.h_align, p.v_align, p.word_wrap}) w.I32(v);
  w.Bytes(p.font);
  w.Counted(p.caption);
}
void Get(Reader& r, TransparentLabelProps& p) {
  for (int32_t* v : {&p.effect, &p.text_colour, &p.h_align, &p.v_align, &p.word_wrap}) *v = r.I32();
  p.font = r.Bytes();
  p.caption = r.Counted();
}

void Put(Writer& w, const BalloonTipProps& p) {
  w.U32(kBalloonTipPropsVersion);
  w.Ints(p.colours);
  for (int32_t v : {p.effect, p.effect_parameter, p.placement_style, p.percentage, p.initial_delay,
                    p.display_time})
    w.I32(v);
  w.Ints(p.fade_intervals);
  w.I32(p.text_colour);
  w.Ints(p.layout_sizes);
  w.Ints(p.further);
  w.Counted(p.style_sheet);
}
void Get(Reader& r, BalloonTipProps& p) {
  r.Ints(p.colours);
  for (int32_t* v : {&p.effect, &p.effect_parameter, &p.placement_style, &p.percentage,
                     &p.initial_delay, &p.display_time})
    *v = r.I32();
  r.Ints(p.fade_intervals);
  p.text_colour = r.I32();
  r.Ints(p.layout_sizes);
  r.Ints(p.further);
  p.style_sheet = r.Counted();
}

void Put(Writer& w, const HtmlViewProps& p) {
  w.U32(kHtmlViewPropsVersion);
  w.Ints(p.values);
  w.Counted(p.address);
}
void Get(Reader& r, HtmlViewProps& p) {
  r.Ints(p.values);
  p.address = r.Counted();
}

void Put(Writer&, const std::monostate&) {}

// The property data type each control type stores, with its version.
template <typename Props>
bool DecodeAs(Reader& r, uint32_t version, PropertyData& out) {
  if (r.U32() != version) return false;
  Props p;
  Get(r, p);
  out = std::move(p);
  return r.ok() && r.AtEnd();
}

}  // namespace

void EncodeProps(Writer& w, const PropertyData& props) {
  std::visit([&w](const auto& p) { Put(w, p); }, props);
}

bool DecodeProps(uint32_t type, std::span<const uint8_t> bytes, PropertyData& out) {
  if (bytes.empty()) {
    out = std::monostate{};
    return true;
  }
  Reader r(bytes);
  switch (type) {
    case kTypeWindow: return DecodeAs<WindowProps>(r, kWindowPropsVersion, out);
    case kTypeLabel: return DecodeAs<LabelProps>(r, kLabelPropsVersion, out);
    case kTypeButton: return DecodeAs<ButtonProps>(r, kButtonPropsVersion, out);
    case kTypeEditBox: return DecodeAs<EditProps>(r, kEditPropsVersion, out);
    case kTypeComboBox: return DecodeAs<ComboProps>(r, kComboPropsVersion, out);
    case kTypeTimer: return DecodeAs<TimerProps>(r, kTimerPropsVersion, out);
    case kTypeGroupBox: return DecodeAs<GroupProps>(r, kGroupPropsVersion, out);
    case kTypeListView: return DecodeAs<ListViewProps>(r, kListViewPropsVersion, out);
    case kTypeTransparentLabel:
      return DecodeAs<TransparentLabelProps>(r, kTransparentLabelPropsVersion, out);
    case kTypeBalloonTip: return DecodeAs<BalloonTipProps>(r, kBalloonTipPropsVersion, out);
    case kTypeHtmlView: return DecodeAs<HtmlViewProps>(r, kHtmlViewPropsVersion, out);
    default: return false;
  }
}

}  // namespace rc::forms
