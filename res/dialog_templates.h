// The dialog templates of the desktop program as data: every control in
// template order (which is also the tab order), with its id, kind, exact text
// and rectangle in dialog units. ui/template_builder turns a template into
// widgets.
#pragma once

#include <span>

#include "text_table.h"

namespace tarnwick {

enum class ControlKind {
  PushButton,     ///< a push button with a tab stop
  DefaultButton,  ///< a push button with a tab stop that Enter presses
  GroupBox,       ///< a frame with a title around other controls
  Text,           ///< a static text, wrapped at word boundaries
  Icon,           ///< a static picture of the application icon
  PathField,      ///< a read-only edit field with a tab stop, holding a file path
};

/// A rectangle in dialog units, relative to the dialog's client area.
struct DialogRect {
  int x;
  int y;
  int width;
  int height;
};

struct ControlTemplate {
  int id;  ///< IDC_STATIC for texts, group boxes and the icon
  ControlKind kind;
  const char* text;  ///< UTF-8
  DialogRect rect;
};

struct DialogTemplate {
  int width;  ///< client area in dialog units
  int height;
  const char* title;  ///< UTF-8
  const char* fontName;
  int fontPointSize;
  std::span<const ControlTemplate> controls;
};

/// The main dialog IDD_UPDATE: 20 controls in German, 16 in English (no
/// mirror button, no mirror hint, no unpacking step).
const DialogTemplate& UpdateDialogTemplate(Language language);

/// The about box IDD_ABOUTBOX: the same three controls in both languages.
const DialogTemplate& AboutBoxTemplate(Language language);

}  // namespace tarnwick
