// The control-type layer of the runtime: one Control subclass per control type id, each able
// to create its widget from the item's stored settings and to read and write its own
// properties (type index = property index - kFirstTypeProperty). Used by the runtime
// only.
#ifndef ROLLCALL_FORMS_INTERNAL_CONTROL_H_
#define ROLLCALL_FORMS_INTERNAL_CONTROL_H_

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/value.h"
#include "forms/definition_model.h"
#include "forms/ids.h"
#include "forms/runtime.h"

namespace rc::forms {

inline QString ToQString(const Text& t) { return QString::fromStdU16String(t.ToUtf16()); }

class Control {
 public:
  virtual ~Control() = default;

  // Creates the widget (hidden) under `parent` with the item's property data; the runtime
  // sets the geometry, flags, stacking and visibility afterwards.
  virtual QWidget* Create(QWidget* parent, const ItemDef& item) = 0;
  // Type-specific properties; an index the type does not have reads as no value and
  // ignores writes.
  virtual Value Read(int32_t type_index) {
    (void)type_index;
    return {};
  }
  virtual void Write(int32_t type_index, const Value& value) {
    (void)type_index;
    (void)value;
  }
  // Loading is complete / the window is up.
  virtual void OnLoaded() {}
  // The window is being destroyed: stop anything that could still raise events.
  virtual void OnDestroy() {}

  void SetIdentity(WindowId window_id, ControlId control_id) {
    window_id_ = window_id;
    control_id_ = control_id;
  }
  WindowId window_id() const { return window_id_; }
  ControlId control_id() const { return control_id_; }
  QWidget* widget() const { return widget_; }

 protected:
  EventResult Raise(int32_t event, int32_t arg1 = 0, int32_t arg2 = 0) const {
    return RaiseEvent(window_id_, control_id_, event, arg1, arg2);
  }
  QPointer<QWidget> widget_;

 private:
  WindowId window_id_;
  ControlId control_id_;
};

// Value types of properties.
enum PropertyType : int32_t {
  kPropInteger = 1001,
  kPropLogical = 1003,
  kPropText = 1005,
  kPropByteSet = 1011,
};

// Type descriptor flags.
constexpr uint32_t kTypeNeverVisible = 1u << 0;  // ignores the visible flag (timer, balloon tip)
constexpr uint32_t kTypeRaisesEvents = 1u << 1;

struct TypeDescriptor {
  uint32_t type_id;
  const char* name;  // UTF-8
  uint32_t flags;
  std::vector<PropertyType> properties;  // value type of each type-specific property
  std::unique_ptr<Control> (*make)();
};

// nullptr for a type id that is not known (menu items have no control object).
const TypeDescriptor* FindTypeDescriptor(uint32_t type_id);

// Value conversions for property writes.
int32_t ValueToInt(const Value& value);
Text ValueToText(const Value& value);

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_INTERNAL_CONTROL_H_
