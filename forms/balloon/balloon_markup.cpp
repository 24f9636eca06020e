#include "forms/balloon/balloon_markup.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace rc {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void AppendText(std::vector<MarkupToken>& tokens, std::string_view text) {
  if (text.empty()) return;
  if (!tokens.empty() && tokens.back().kind == MarkupTokenKind::kText) {
    tokens.back().text.bytes() += text;
    return;
  }
  MarkupToken token;
  token.kind = MarkupTokenKind::kText;
  token.text = Text(text);
  tokens.push_back(std::move(token));
}

// Parses the inside of a tag (between "<" and ">") into a tag token.
MarkupToken ParseTag(std::string_view inside) {
  MarkupToken token;
  token.kind = MarkupTokenKind::kTag;
  size_t i = 0;
  while (i < inside.size() && IsSpace(inside[i])) ++i;
  if (i < inside.size() && inside[i] == '/') {
    token.closing = true;
    ++i;
  }
  size_t name_start = i;
  while (i < inside.size() && !IsSpace(inside[i]) && inside[i] != '/') ++i;
  token.name = Text(inside.substr(name_start, i - name_start));

  while (i < inside.size()) {
    while (i < inside.size() && (IsSpace(inside[i]) || inside[i] == '/')) ++i;
    if (i >= inside.size()) break;
    size_t attr_start = i;
    while (i < inside.size() && !IsSpace(inside[i]) && inside[i] != '=' && inside[i] != '/') ++i;
    MarkupAttribute attribute;
    attribute.name = Text(inside.substr(attr_start, i - attr_start));
    size_t look = i;
    while (look < inside.size() && IsSpace(inside[look])) ++look;
    if (look < inside.size() && inside[look] == '=') {
      i = look + 1;
      while (i < inside.size() && IsSpace(inside[i])) ++i;
      if (i < inside.size() && (inside[i] == '"' || inside[i] == '\'')) {
        char quote = inside[i++];
        size_t value_start = i;
        while (i < inside.size() && inside[i] != quote) ++i;
        attribute.value = Text(inside.substr(value_start, i - value_start));
        if (i < inside.size()) ++i;  // the closing quote
      } else {
        size_t value_start = i;
        while (i < inside.size() && !IsSpace(inside[i])) ++i;
        attribute.value = Text(inside.substr(value_start, i - value_start));
      }
    }
    if (!attribute.name.empty()) token.attributes.push_back(std::move(attribute));
  }
  return token;
}

}  // namespace

std::optional<Text> MarkupToken::Attribute(const char* attribute_name) const {
  for (const MarkupAttribute& attribute : attributes) {
    if (EqualsIgnoreCase(attribute.name.bytes(), attribute_name)) return attribute.value;
  }
  return std::nullopt;
}

bool MarkupToken::Is(const char* tag_name) const {
  return kind == MarkupTokenKind::kTag && EqualsIgnoreCase(name.bytes(), tag_name);
}

Text PopUpMarkup(const Text& text, std::optional<uint32_t> icon_handle) {
  if (!icon_handle) return text;
  char head[64];
  std::snprintf(head, sizeof head, "<table><tr><td><icon handle=0x%X></td><td>", *icon_handle);
  return Text(head) + text + Text("</td></tr></table>");
}

std::vector<MarkupToken> TokenizeMarkup(const Text& markup) {
  std::vector<MarkupToken> tokens;
  std::string_view s(markup.bytes());
  size_t run_start = 0;
  size_t i = 0;
  auto flush = [&](size_t end) {
    AppendText(tokens, s.substr(run_start, end - run_start));
  };
  while (i < s.size()) {
    char c = s[i];
    if (c == '\n' || c == '\r' || c == '\t') {
      flush(i);
      MarkupToken token;
      token.kind = c == '\n'   ? MarkupTokenKind::kLineFeed
                   : c == '\r' ? MarkupTokenKind::kCarriageReturn
                               : MarkupTokenKind::kTab;
      tokens.push_back(std::move(token));
      run_start = ++i;
      continue;
    }
    if (c != '<') {
      ++i;
      continue;
    }
    if (i + 1 < s.size() && s[i + 1] == '<') {
      // "<<": keep the first "<" as text and drop the second.
      flush(i + 1);
      i += 2;
      run_start = i;
      continue;
    }
    size_t close = s.find('>', i + 1);
    if (close == std::string_view::npos) {
      // Nothing closes this tag: the "<" is drawn as it stands rather than losing the rest
      // of the text. No later "<" can open a tag either, but line feeds still break lines.
      ++i;
      continue;
    }
    flush(i);
    tokens.push_back(ParseTag(s.substr(i + 1, close - i - 1)));
    i = close + 1;
    run_start = i;
  }
  flush(s.size());
  return tokens;
}

}  // namespace rc
