// libFuzzer target: the balloon tip's markup, tokenized and converted to Qt rich text, and
// the tip's style sheet converted to Qt's. The input is the markup, then optionally a zero
// byte and the style sheet. Only our own code runs: no document is laid out.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/text.h"
#include "forms/balloon/balloon_document.h"
#include "forms/balloon/balloon_markup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  const rc::Text markup(input.substr(0, split));
  for (const rc::MarkupToken& token : rc::TokenizeMarkup(markup)) {
    token.Attribute("color");
    token.Is("font");
  }
  rc::BalloonMarkupToHtml(markup);
  rc::BalloonMarkupToHtml(rc::PopUpMarkup(markup, size));
  if (split != std::string::npos) rc::BalloonQtStyleSheet(rc::Text(input.substr(split + 1)));
  return 0;
}
