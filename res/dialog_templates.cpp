#include "dialog_templates.h"

#include "resource.h"

namespace tarnwick {
namespace {

using enum ControlKind;
using namespace style;

constexpr unsigned kDefaultButton = kDefPushButton | kTabStop;
constexpr unsigned kButton = kPushButton | kTabStop;
constexpr unsigned kText = kLeft | kGroup;
constexpr unsigned kPathField = kReadOnly | kAutoHScroll | kBorder | kTabStop;
constexpr unsigned kPathFieldMultiLine = kPathField | kMultiLine;
constexpr unsigned kDialogStyles =
    kPopup | kVisible | kCaption | kSysMenu | kModalFrame | kSetFont | kExAppWindow;
constexpr unsigned kAboutStyles = kPopup | kCaption | kSysMenu | kModalFrame | kSetFont;

// The two blanks on each side of the hyphen in the titles and after the step
// numbers in the group titles are part of the texts.

constexpr ControlTemplate kUpdateGerman[] = {
    {IDCANCEL, "IDCANCEL", PushButton, kDefaultButton, "&Schließen", {227, 242, 50, 14}},
    {IDC_STATIC, "", GroupBox, kGroupBox, "1)  Download", {5, 5, 271, 66}},
    {IDC_STATIC,
     "",
     Text,
     kText,
     "Holen Sie sich die aktuellste Datei MPCORB.ZIP direkt vom MPC aus dem Internet:",
     {15, 18, 154, 18}},
    {IDC_DOWNLOAD, "IDC_DOWNLOAD", PushButton, kButton, "Download...", {190, 17, 80, 14}},
    {IDC_STATIC,
     "",
     Text,
     kText,
     "Alternativ können Sie auch den Mirror-Server verwenden (z.B. funktioniert der "
     "MPC-Download nicht mit T-Online):",
     {15, 40, 154, 26}},
    {IDC_DOWNLOAD_MIRROR,
     "IDC_DOWNLOAD_MIRROR",
     PushButton,
     kButton,
     "Download...",
     {190, 44, 80, 14}},
    {IDC_STATIC, "", GroupBox, kGroupBox, "2)  Entpacken", {5, 75, 271, 38}},
    {IDC_STATIC,
     "",
     Text,
     kText,
     "Entpacken Sie MPCORB.ZIP zu MPCORB.DAT in ein Verzeichnis Ihrer Wahl (z.B. mit dem "
     "Tool WinZip)",
     {15, 88, 252, 19}},
    {IDC_STATIC, "", GroupBox, kGroupBox, "3)  Konvertierung MPCORB.DAT", {5, 119, 271, 116}},
    {IDC_STATIC, "", Text, kText, "Input (Textdatei)", {15, 133, 229, 8}},
    {IDC_INPUT_FILE, "IDC_INPUT_FILE", PathField, kPathField, "", {14, 145, 239, 12}},
    {IDC_BROWSE_INPUT, "IDC_BROWSE_INPUT", PushButton, kButton, "...", {257, 145, 13, 12}},
    {IDC_STATIC, "", Text, kText, "Output (binäre Dateien für Lumivale):", {15, 167, 237, 8}},
    {IDC_STATIC, "", Text, kText, "a)", {15, 181, 8, 8}},
    {IDC_OUTPUT_ORBITS,
     "IDC_OUTPUT_ORBITS",
     PathField,
     kPathFieldMultiLine,
     "",
     {28, 179, 225, 12}},
    {IDC_BROWSE_OUTPUT, "IDC_BROWSE_OUTPUT", PushButton, kButton, "...", {257, 179, 13, 12}},
    {IDC_STATIC, "", Text, kText, "b)", {15, 196, 8, 8}},
    {IDC_OUTPUT_INFO, "IDC_OUTPUT_INFO", PathField, kPathFieldMultiLine, "", {28, 194, 225, 12}},
    {IDC_STATIC, "", Text, kText, "------->", {153, 218, 21, 8}},
    {IDC_CONVERT,
     "IDC_CONVERT",
     PushButton,
     kDefaultButton,
     "Konvertierung starten",
     {179, 215, 91, 14}},
};

// The English dialog has no mirror button, no mirror hint and no unpacking step.
constexpr ControlTemplate kUpdateEnglish[] = {
    {IDCANCEL, "IDCANCEL", PushButton, kDefaultButton, "&Close", {227, 170, 50, 14}},
    {IDC_STATIC, "", GroupBox, kGroupBox, "1)  Download", {5, 5, 271, 35}},
    {IDC_STATIC,
     "",
     Text,
     kText,
     "Get the latest file MPCORB.ZIP directly from MPC on the Internet:",
     {15, 18, 154, 18}},
    {IDC_DOWNLOAD, "IDC_DOWNLOAD", PushButton, kButton, "Download...", {179, 17, 91, 14}},
    {IDC_STATIC, "", GroupBox, kGroupBox, "2)  Convert MPCORB.DAT", {5, 47, 271, 116}},
    {IDC_STATIC, "", Text, kText, "Input (Textfile)", {15, 61, 229, 8}},
    {IDC_INPUT_FILE, "IDC_INPUT_FILE", PathField, kPathField, "", {14, 73, 239, 12}},
    {IDC_BROWSE_INPUT, "IDC_BROWSE_INPUT", PushButton, kButton, "...", {257, 73, 13, 12}},
    {IDC_STATIC, "", Text, kText, "Output (binary Files for Lumivale):", {15, 95, 237, 8}},
    {IDC_STATIC, "", Text, kText, "a)", {15, 109, 8, 8}},
    {IDC_OUTPUT_ORBITS,
     "IDC_OUTPUT_ORBITS",
     PathField,
     kPathFieldMultiLine,
     "",
     {28, 107, 225, 12}},
    {IDC_BROWSE_OUTPUT, "IDC_BROWSE_OUTPUT", PushButton, kButton, "...", {257, 107, 13, 12}},
    {IDC_STATIC, "", Text, kText, "b)", {15, 124, 8, 8}},
    {IDC_OUTPUT_INFO, "IDC_OUTPUT_INFO", PathField, kPathFieldMultiLine, "", {28, 122, 225, 12}},
    {IDC_STATIC, "", Text, kText, "------->", {153, 146, 21, 8}},
    {IDC_CONVERT,
     "IDC_CONVERT",
     PushButton,
     kDefaultButton,
     "Start Converting",
     {179, 143, 91, 14}},
};

constexpr ControlTemplate kAbout[] = {
    {IDC_STATIC, "", Icon, kIcon, "#128", {11, 11, 20, 20}},
    {IDC_STATIC, "", Text, kLeft | kNoPrefix | kGroup, "Tarnwick, Version 1.0", {40, 10, 119, 8}},
    {IDOK, "IDOK", PushButton, kDefPushButton | kGroup | kTabStop, "OK", {178, 7, 32, 14}},
};

constexpr const char* kFont = "MS Sans Serif";

constexpr DialogTemplate kUpdateGermanDialog{
    IDD_UPDATE,    "IDD_UPDATE",
    282,           260,
    kDialogStyles, "Lumivale  -  Kleinplaneten aktualisieren",
    kFont,         8,
    kUpdateGerman};
constexpr DialogTemplate kUpdateEnglishDialog{
    IDD_UPDATE, "IDD_UPDATE",  282, 189, kDialogStyles, "Lumivale  -  Update Asteroids", kFont,
    8,          kUpdateEnglish};
constexpr DialogTemplate kAboutGermanDialog{
    IDD_ABOUTBOX, "IDD_ABOUTBOX", 217, 55, kAboutStyles, "Info über Tarnwick", kFont, 8, kAbout};
constexpr DialogTemplate kAboutEnglishDialog{
    IDD_ABOUTBOX, "IDD_ABOUTBOX", 217, 55, kAboutStyles, "About Tarnwick", kFont, 8, kAbout};

}  // namespace

const DialogTemplate& UpdateDialogTemplate(Language language) {
  return language == Language::German ? kUpdateGermanDialog : kUpdateEnglishDialog;
}

const DialogTemplate& AboutBoxTemplate(Language language) {
  return language == Language::German ? kAboutGermanDialog : kAboutEnglishDialog;
}

}  // namespace tarnwick
