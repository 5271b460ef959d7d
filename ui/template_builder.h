// Turns a dialog template (res/dialog_templates.h) into widgets.
#pragma once

#include <QFont>
#include <QRect>
#include <vector>

#include "dialog_templates.h"

class QDialog;
class QWidget;

namespace tarnwick {

/// The template's font. "MS Sans Serif" does not exist outside Windows; the
/// system's sans-serif family takes its place at the template's point size.
QFont TemplateFont(const DialogTemplate& dialogTemplate);

/// Dialog units of a font: horizontally a quarter of the average character
/// width, vertically an eighth of the character height, measured the way the
/// Windows dialog manager measures (the average over A-Z and a-z, rounded).
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int X(int units) const;  ///< horizontal dialog units in pixels
  int Y(int units) const;  ///< vertical dialog units in pixels
  QRect Rect(const DialogRect& rect) const;

  int BaseX() const { return baseX_; }  ///< average character width in pixels
  int BaseY() const { return baseY_; }  ///< character height in pixels

 private:
  int baseX_;
  int baseY_;
};

/// Gives `dialog` the template's title, font, fixed client size and window
/// decoration, and creates the controls as its children in template order:
/// that order is their tab order. Each control with an id gets the id's name
/// as object name ("IDC_CONVERT"). Returns the controls in template order.
std::vector<QWidget*> BuildFromTemplate(QDialog& dialog, const DialogTemplate& dialogTemplate);

}  // namespace tarnwick
