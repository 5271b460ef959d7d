// The dialog templates of the desktop program as data: every control in
// template order (which is also the tab order), with its id, kind, styles,
// exact text and rectangle in dialog units. ui/template_builder turns a
// template into widgets.
#pragma once

#include <span>

#include "text_table.h"

namespace tarnwick {

/// Window and control styles that the templates use. Every control is also a
/// visible child window; those two styles are not listed.
namespace style {
inline constexpr unsigned kTabStop = 1u << 0;        // WS_TABSTOP
inline constexpr unsigned kGroup = 1u << 1;          // WS_GROUP
inline constexpr unsigned kBorder = 1u << 2;         // WS_BORDER
inline constexpr unsigned kDefPushButton = 1u << 3;  // BS_DEFPUSHBUTTON
inline constexpr unsigned kPushButton = 1u << 4;     // BS_PUSHBUTTON
inline constexpr unsigned kGroupBox = 1u << 5;       // BS_GROUPBOX
inline constexpr unsigned kLeft = 1u << 6;           // SS_LEFT
inline constexpr unsigned kIcon = 1u << 7;           // SS_ICON
inline constexpr unsigned kNoPrefix = 1u << 8;       // SS_NOPREFIX
inline constexpr unsigned kReadOnly = 1u << 9;       // ES_READONLY
inline constexpr unsigned kAutoHScroll = 1u << 10;   // ES_AUTOHSCROLL
inline constexpr unsigned kMultiLine = 1u << 11;     // ES_MULTILINE
// Dialog styles.
inline constexpr unsigned kPopup = 1u << 16;        // WS_POPUP
inline constexpr unsigned kVisible = 1u << 17;      // WS_VISIBLE
inline constexpr unsigned kCaption = 1u << 18;      // WS_CAPTION
inline constexpr unsigned kSysMenu = 1u << 19;      // WS_SYSMENU
inline constexpr unsigned kModalFrame = 1u << 20;   // DS_MODALFRAME
inline constexpr unsigned kSetFont = 1u << 21;      // DS_SETFONT
inline constexpr unsigned kExAppWindow = 1u << 22;  // WS_EX_APPWINDOW
}  // namespace style

enum class ControlKind {
  PushButton,  ///< a push button; the default-button style marks a default one
  GroupBox,    ///< a frame with a title around other controls
  Text,        ///< a static text, wrapped at word boundaries
  Icon,        ///< a static picture of the application icon
  PathField,   ///< a read-only edit field holding a file path
};

/// A rectangle in dialog units, relative to the dialog's client area.
struct DialogRect {
  int x;
  int y;
  int width;
  int height;
};

struct ControlTemplate {
  int id;              ///< IDC_STATIC (-1) for texts and group boxes
  const char* idName;  ///< "IDC_CONVERT" etc., empty for IDC_STATIC
  ControlKind kind;
  unsigned styles;   ///< style:: flags
  const char* text;  ///< UTF-8; "#128" names the icon IDR_MAINFRAME
  DialogRect rect;
};

struct DialogTemplate {
  int id;
  const char* idName;
  int width;  ///< client area in dialog units
  int height;
  unsigned styles;
  const char* title;  ///< UTF-8
  const char* fontName;
  int fontPointSize;
  std::span<const ControlTemplate> controls;
};

/// The main dialog IDD_UPDATE: 20 controls in German, 16 in English.
const DialogTemplate& UpdateDialogTemplate(Language language);

/// The about box IDD_ABOUTBOX: the same three controls in both languages.
const DialogTemplate& AboutBoxTemplate(Language language);

}  // namespace tarnwick
