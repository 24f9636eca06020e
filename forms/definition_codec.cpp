#include "forms/definition_codec.h"

#include <algorithm>

#include "forms/definition_format.h"
#include "forms/ids.h"

namespace rc::forms {
namespace {

class Writer {
 public:
  void U8(uint8_t v) { out_.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Raw(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), p, p + size);
  }
  void Counted(const Text& t) {
    U32(static_cast<uint32_t>(t.size()));
    Raw(t.data(), t.size());
  }
  void Bytes(const ByteSet& b) {
    U32(static_cast<uint32_t>(b.size()));
    Raw(b.data(), b.size());
  }
  void ZText(const Text& t) {
    Raw(t.data(), t.size());
    U8(0);
  }
  void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
  template <size_t N>
  void Ints(const std::array<int32_t, N>& a) {
    for (int32_t v : a) I32(v);
  }
  ByteSet& out() { return out_; }

 private:
  ByteSet out_;
};

// Reads with bounds checks; the first failure sticks and every later read yields zeros.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> data) : data_(data) {}
  bool ok() const { return ok_; }
  bool AtEnd() const { return pos_ == data_.size(); }
  size_t left() const { return data_.size() - pos_; }
  void Fail() { ok_ = false; }
  uint8_t U8() {
    if (!Need(1)) return 0;
    return data_[pos_++];
  }
  uint16_t U16() {
    if (!Need(2)) return 0;
    uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t U32() {
    if (!Need(4)) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(data_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return v;
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  std::span<const uint8_t> Take(size_t n) {
    if (!Need(n)) return {};
    auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  Text Counted() {
    auto s = Take(U32());
    return Text(reinterpret_cast<const char*>(s.data()), s.size());
  }
  ByteSet Bytes() {
    auto s = Take(U32());
    return ByteSet(s.begin(), s.end());
  }
  Text ZText() {
    if (!ok_) return Text();
    auto begin = data_.begin() + static_cast<std::ptrdiff_t>(pos_);
    auto zero = std::find(begin, data_.end(), uint8_t{0});
    if (zero == data_.end()) {
      ok_ = false;
      return Text();
    }
    Text t(reinterpret_cast<const char*>(&*begin), static_cast<size_t>(zero - begin));
    pos_ += t.size() + 1;
    return t;
  }
  template <size_t N>
  void Ints(std::array<int32_t, N>& a) {
    for (int32_t& v : a) v = I32();
  }

 private:
  bool Need(size_t n) {
    if (!ok_ || n > data_.size() - pos_) {
      ok_ = false;
      return false;
    }
    return true;
  }
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  bool ok_ = true;
};

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

ByteSet EncodeItem(const ItemDef& item) {
  Writer w;
  w.U32(item.type);
  w.U32(item.copy_of);
  w.Zeros(4 * (kItemHeaderWords - 2));
  w.ZText(item.name);
  w.ZText(item.comment);
  if (item.type == kTypeMenuItem) {
    w.I32(item.shortcut);
    w.I32(item.level);
    w.U32(item.menu_flags);
    w.ZText(item.caption);
    w.I32(item.handler);
    w.Zeros(kMenuItemReservedTail);
    return std::move(w.out());
  }
  w.U32(0);  // control object slot
  w.I32(item.left);
  w.I32(item.top);
  w.I32(item.width);
  w.I32(item.height);
  w.U32(0);
  w.U32(item.container);
  w.U32(static_cast<uint32_t>(item.children.size()));
  for (uint32_t c : item.children) w.U32(c);
  w.Bytes(item.cursor);
  w.ZText(item.tag);
  w.U32(0);
  w.U32(item.flags);
  w.I32(item.tab_order);
  w.U32(static_cast<uint32_t>(item.events.size()));
  for (const EventBinding& e : item.events) {
    w.I32(e.event);
    w.I32(e.handler);
  }
  w.Zeros(kItemReservedTail);
  std::visit([&w](const auto& p) { Put(w, p); }, item.props);
  return std::move(w.out());
}

bool DecodeItem(uint32_t id, std::span<const uint8_t> bytes, ItemDef& item) {
  Reader r(bytes);
  item.id = id;
  item.type = r.U32();
  item.copy_of = r.U32();
  for (int i = 2; i < kItemHeaderWords; ++i) r.U32();
  item.name = r.ZText();
  item.comment = r.ZText();
  if (item.type == kTypeMenuItem) {
    item.cursor.clear();
    item.shortcut = r.I32();
    item.level = r.I32();
    item.menu_flags = r.U32();
    item.caption = r.ZText();
    item.handler = r.I32();
    r.Take(kMenuItemReservedTail);
    return r.ok() && r.AtEnd();
  }
  r.U32();
  item.left = r.I32();
  item.top = r.I32();
  item.width = r.I32();
  item.height = r.I32();
  r.U32();
  item.container = r.U32();
  uint32_t children = r.U32();
  if (children > r.left() / 4) return false;
  item.children.resize(children);
  for (uint32_t& c : item.children) c = r.U32();
  item.cursor = r.Bytes();
  item.tag = r.ZText();
  r.U32();
  item.flags = r.U32();
  item.tab_order = r.I32();
  uint32_t events = r.U32();
  if (events > r.left() / 8) return false;
  item.events.resize(events);
  for (EventBinding& e : item.events) {
    e.event = r.I32();
    e.handler = r.I32();
  }
  r.Take(kItemReservedTail);
  if (!r.ok()) return false;
  return DecodeProps(item.type, r.Take(r.left()), item.props);
}

}  // namespace

ByteSet EncodeDefinitions(const std::vector<WindowDef>& windows) {
  Writer w;
  w.U32(static_cast<uint32_t>(windows.size() * kWindowTableEntrySize));
  for (const WindowDef& win : windows) w.U32(win.id);
  w.Zeros(windows.size() * 4);
  for (const WindowDef& win : windows) {
    w.U32(win.values[0]);
    w.U32(win.values[1]);
    w.Counted(win.text1);
    w.Counted(win.text2);
    std::vector<ByteSet> items;
    for (const ItemDef& item : win.items) items.push_back(EncodeItem(item));
    Writer body;
    for (const ItemDef& item : win.items) body.U32(item.id);
    uint32_t offset = 0;
    for (const ByteSet& b : items) {
      body.U32(offset);
      offset += 4 + static_cast<uint32_t>(b.size());
    }
    for (const ByteSet& b : items) body.Bytes(b);
    w.U32(static_cast<uint32_t>(win.items.size()));
    w.U32(static_cast<uint32_t>(body.out().size()));
    w.Raw(body.out().data(), body.out().size());
  }
  return std::move(w.out());
}

std::optional<std::vector<WindowDef>> DecodeDefinitions(std::span<const uint8_t> block) {
  Reader r(block);
  uint32_t table = r.U32();
  if (!r.ok() || table == 0 || table % kWindowTableEntrySize != 0 || table > r.left())
    return std::nullopt;
  std::vector<WindowDef> windows(table / kWindowTableEntrySize);
  for (WindowDef& win : windows) win.id = r.U32();
  r.Take(table / 2);
  for (WindowDef& win : windows) {
    win.values[0] = r.U32();
    win.values[1] = r.U32();
    win.text1 = r.Counted();
    win.text2 = r.Counted();
    uint32_t count = r.U32();
    uint32_t size = r.U32();
    if (!r.ok() || size > r.left() || count == 0 || count > size / 12) return std::nullopt;
    Reader list(r.Take(size));
    std::vector<uint32_t> ids(count), offsets(count);
    for (uint32_t& id : ids) id = list.U32();
    for (uint32_t& off : offsets) off = list.U32();
    std::span<const uint8_t> items = list.Take(list.left());
    win.items.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
      if (offsets[i] > items.size()) return std::nullopt;
      Reader at(items.subspan(offsets[i]));
      std::span<const uint8_t> bytes = at.Take(at.U32());
      if (!at.ok() || !DecodeItem(ids[i], bytes, win.items[i])) return std::nullopt;
    }
    if (win.items[0].type != kTypeWindow) return std::nullopt;
  }
  if (!r.ok() || !r.AtEnd()) return std::nullopt;
  return windows;
}

ByteSet EncodeLogFont(const LogFont& f) {
  Writer w;
  for (int32_t v : {f.height, f.width, f.escapement, f.orientation, f.weight}) w.I32(v);
  for (uint8_t v : {f.italic, f.underline, f.strike_out, f.char_set, f.out_precision,
                    f.clip_precision, f.quality, f.pitch_and_family})
    w.U8(v);
  ByteSet face(kLogFontFaceSize, 0);
  std::copy_n(f.face.bytes().begin(), std::min<size_t>(f.face.size(), kLogFontFaceSize - 1),
              face.begin());
  w.Raw(face.data(), face.size());
  return std::move(w.out());
}

std::optional<LogFont> DecodeLogFont(const ByteSet& bytes) {
  if (bytes.size() != kLogFontSize) return std::nullopt;
  Reader r(bytes);
  LogFont f;
  for (int32_t* v : {&f.height, &f.width, &f.escapement, &f.orientation, &f.weight}) *v = r.I32();
  for (uint8_t* v : {&f.italic, &f.underline, &f.strike_out, &f.char_set, &f.out_precision,
                     &f.clip_precision, &f.quality, &f.pitch_and_family})
    *v = r.U8();
  // The name ends at its terminator. A face with no zero in it still ends before its last
  // byte, the terminator's place, as the encoder writes it: both agree on every face.
  auto face = r.Take(kLogFontFaceSize);
  auto end = std::find(face.begin(), face.end() - 1, uint8_t{0});
  f.face =
      Text(reinterpret_cast<const char*>(face.data()), static_cast<size_t>(end - face.begin()));
  return f;
}

}  // namespace rc::forms
