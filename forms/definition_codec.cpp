#include "forms/definition_codec.h"

#include <algorithm>

#include "forms/definition_format.h"
#include "forms/ids.h"
#include "forms/internal/definition_bytes.h"
#include "forms/internal/property_data_codec.h"

namespace rc::forms {
namespace {

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
  EncodeProps(w, item.props);
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
