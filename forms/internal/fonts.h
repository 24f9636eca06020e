// Fonts and colours of the stored definitions on Qt.
#ifndef ROLLCALL_FORMS_INTERNAL_FONTS_H_
#define ROLLCALL_FORMS_INTERNAL_FONTS_H_

#include <QColor>
#include <QFont>
#include <cstdint>

#include "core/value.h"

namespace rc::forms {

// Maps "宋体" (and its Latin name) to installed CJK fonts so every Chinese text renders.
void InstallFontSubstitutions();

// The default GUI font: "宋体" at 12 pixels.
QFont DefaultGuiFont();

// A stored LOGFONT as a QFont; the default GUI font for an empty or malformed byte set.
QFont FontFromLogFont(const ByteSet& logfont);

// A COLORREF (0x00BBGGRR) as a QColor; invalid for the default-colour marker.
QColor ColourFromColorRef(int32_t colorref);

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_INTERNAL_FONTS_H_
