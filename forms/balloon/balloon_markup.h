// The balloon tip's markup: a text with HTML-like tags. Tokenizing works on the GBK bytes;
// the characters it looks at ("<", ">", "=", quotes, spaces, line feed, carriage return,
// tab) are all below 0x40 and so never the trail byte of a two-byte character.
#ifndef ROLLCALL_FORMS_BALLOON_BALLOON_MARKUP_H_
#define ROLLCALL_FORMS_BALLOON_BALLOON_MARKUP_H_

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/text.h"

namespace rc {

enum class MarkupTokenKind {
  kText,            // text to draw, in `text`
  kTag,             // a tag: `name`, `closing`, `attributes`
  kLineFeed,        // "\n"
  kCarriageReturn,  // "\r"
  kTab,             // "\t"
};

struct MarkupAttribute {
  Text name;   // as written
  Text value;  // without quotes; empty when the attribute has no value
  friend bool operator==(const MarkupAttribute&, const MarkupAttribute&) = default;
};

struct MarkupToken {
  MarkupTokenKind kind = MarkupTokenKind::kText;
  Text text;     // kText only
  Text name;     // kTag only: as written, without the "/" of a closing tag
  bool closing = false;
  std::vector<MarkupAttribute> attributes;

  // The value of the attribute of this name (ASCII letters compared ignoring case).
  std::optional<Text> Attribute(const char* attribute_name) const;
  // True when the tag's name is `tag_name`, ignoring the case of ASCII letters.
  bool Is(const char* tag_name) const;
};

// Splits a markup text into tokens:
// - "<" followed by anything but a second "<" opens a tag that runs to the next ">"; the
//   tag's name runs to the first space, "/" ending the tag (as in "<br/>") or ">". A name
//   starting with "/" marks a closing tag and loses the "/".
// - "<<" draws one literal "<".
// - A "<" with no ">" after it opens no tag and is drawn as it stands.
// - Line feed, carriage return and tab are tokens of their own.
// - All other runs of characters are text tokens (adjacent runs are merged).
std::vector<MarkupToken> TokenizeMarkup(const Text& markup);

// The markup a pop-up shows: the text as it is without an icon; with an icon, a one-row
// table of the icon (by its handle) and the text.
Text PopUpMarkup(const Text& text, std::optional<uint32_t> icon_handle);

}  // namespace rc

#endif  // ROLLCALL_FORMS_BALLOON_BALLOON_MARKUP_H_
