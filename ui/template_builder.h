// Turns a dialog template (res/dialog_templates.h) into widgets.
#pragma once

#include <QWidget>
#include <map>
#include <vector>

#include "dialog_templates.h"

class QDialog;

namespace tarnwick {

/// The controls a template made, by id and in template order.
class TemplateControls {
 public:
  void Add(int id, QWidget* control);

  /// The control with `id`, or nullptr when the template has none of that
  /// id and kind (the English dialog has no mirror button).
  template <class Control>
  Control* Find(int id) const {
    const auto it = m_byId.find(id);
    return it == m_byId.end() ? nullptr : qobject_cast<Control*>(it->second);
  }

  /// The control with `id` that the code cannot do without. A template that
  /// lacks it is a programming error and ends the program at once.
  template <class Control>
  Control& Get(int id) const {
    Control* control = Find<Control>(id);
    if (!control) MissingControl(id);
    return *control;
  }

  /// Every control in template order, statics included.
  const std::vector<QWidget*>& InOrder() const { return m_inOrder; }

 private:
  [[noreturn]] static void MissingControl(int id);

  std::map<int, QWidget*> m_byId;
  std::vector<QWidget*> m_inOrder;
};

/// Gives `dialog` the template's title, font (the system's sans-serif family
/// stands in for a font that does not exist here), fixed client size in
/// dialog units of that font and a modal frame, and creates the controls as
/// its children in template order, which is their tab order.
TemplateControls BuildFromTemplate(QDialog& dialog, const DialogTemplate& dialogTemplate);

}  // namespace tarnwick
