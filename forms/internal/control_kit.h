// What the control types share: settings, colours, alignment and the published captions.
// Private to forms/; GUI thread unless said otherwise.
#ifndef ROLLCALL_FORMS_INTERNAL_CONTROL_KIT_H_
#define ROLLCALL_FORMS_INTERNAL_CONTROL_KIT_H_

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <variant>

#include "core/text.h"
#include "forms/definition_model.h"
#include "forms/ids.h"
#include "forms/internal/control.h"

namespace rc::forms {

inline Text FromQ(const QString& s) { return Text::FromUtf16(s.toStdU16String()); }

// The item's stored settings of the type, or the defaults when it has none.
template <typename Props>
Props PropsOf(const ItemDef& item) {
  if (const Props* p = std::get_if<Props>(&item.props)) return *p;
  return Props{};
}

// Colours as 0x00BBGGRR; an invalid one leaves the palette's colour.
void SetColours(QWidget* w, int32_t text, int32_t background);
Qt::Alignment HAlign(int32_t a);
Qt::Alignment VAlign(int32_t a);

// Records a label's caption for readers on other threads (PublishedLabelCaption).
void PublishLabelCaption(WindowId window_id, ControlId control_id, const Text& caption);

// The control types, one factory each.
std::unique_ptr<Control> MakeLabelControl();
std::unique_ptr<Control> MakeTransparentLabelControl();
std::unique_ptr<Control> MakeButtonControl();
std::unique_ptr<Control> MakeGroupControl();
std::unique_ptr<Control> MakeEditControl();
std::unique_ptr<Control> MakeComboControl();
std::unique_ptr<Control> MakeListViewControl();

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_INTERNAL_CONTROL_KIT_H_
