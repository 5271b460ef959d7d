#include "dialog_templates.h"

#include "resource.h"

namespace tarnwick {
namespace {

using enum ControlKind;

// The two blanks on each side of the hyphen in the titles and after the step
// numbers in the group titles are part of the texts.

constexpr ControlTemplate kUpdateGerman[] = {
    {IDCANCEL, DefaultButton, "&Schließen", {227, 242, 50, 14}},
    {IDC_STATIC, GroupBox, "1)  Download", {5, 5, 271, 66}},
    {IDC_STATIC,
     Text,
     "Holen Sie sich die aktuelle Datei MPCORB.DAT.gz direkt vom MPC aus dem Internet:",
     {15, 18, 154, 18}},
    {IDC_DOWNLOAD, PushButton, "Download...", {190, 17, 80, 14}},
    {IDC_STATIC,
     Text,
     "Alternativ können Sie auch den Mirror-Server verwenden (z.B. funktioniert der "
     "MPC-Download nicht mit T-Online):",
     {15, 40, 154, 26}},
    {IDC_DOWNLOAD_MIRROR, PushButton, "Download...", {190, 44, 80, 14}},
    {IDC_STATIC, GroupBox, "2)  Entpacken", {5, 75, 271, 38}},
    {IDC_STATIC,
     Text,
     "Nicht mehr nötig: Tarnwick liest MPCORB.DAT.gz und MPCORB.ZIP direkt, ein "
     "entpacktes MPCORB.DAT ebenso.",
     {15, 88, 252, 19}},
    {IDC_STATIC, GroupBox, "3)  Konvertierung MPCORB.DAT", {5, 119, 271, 116}},
    {IDC_STATIC, Text, "Input (Textdatei)", {15, 133, 229, 8}},
    {IDC_INPUT_FILE, PathField, "", {14, 145, 239, 12}},
    {IDC_BROWSE_INPUT, PushButton, "...", {257, 145, 13, 12}},
    {IDC_STATIC, Text, "Output (binäre Dateien für Lumivale):", {15, 167, 237, 8}},
    {IDC_STATIC, Text, "a)", {15, 181, 8, 8}},
    {IDC_OUTPUT_ORBITS, PathField, "", {28, 179, 225, 12}},
    {IDC_BROWSE_OUTPUT, PushButton, "...", {257, 179, 13, 12}},
    {IDC_STATIC, Text, "b)", {15, 196, 8, 8}},
    {IDC_OUTPUT_INFO, PathField, "", {28, 194, 225, 12}},
    {IDC_STATIC, Text, "------->", {153, 218, 21, 8}},
    {IDC_CONVERT, DefaultButton, "Konvertierung starten", {179, 215, 91, 14}},
};

constexpr ControlTemplate kUpdateEnglish[] = {
    {IDCANCEL, DefaultButton, "&Close", {227, 170, 50, 14}},
    {IDC_STATIC, GroupBox, "1)  Download", {5, 5, 271, 35}},
    {IDC_STATIC,
     Text,
     "Get the latest file MPCORB.DAT.gz directly from MPC on the Internet:",
     {15, 18, 154, 18}},
    {IDC_DOWNLOAD, PushButton, "Download...", {179, 17, 91, 14}},
    {IDC_STATIC, GroupBox, "2)  Convert MPCORB.DAT", {5, 47, 271, 116}},
    {IDC_STATIC, Text, "Input (Textfile)", {15, 61, 229, 8}},
    {IDC_INPUT_FILE, PathField, "", {14, 73, 239, 12}},
    {IDC_BROWSE_INPUT, PushButton, "...", {257, 73, 13, 12}},
    {IDC_STATIC, Text, "Output (binary Files for Lumivale):", {15, 95, 237, 8}},
    {IDC_STATIC, Text, "a)", {15, 109, 8, 8}},
    {IDC_OUTPUT_ORBITS, PathField, "", {28, 107, 225, 12}},
    {IDC_BROWSE_OUTPUT, PushButton, "...", {257, 107, 13, 12}},
    {IDC_STATIC, Text, "b)", {15, 124, 8, 8}},
    {IDC_OUTPUT_INFO, PathField, "", {28, 122, 225, 12}},
    {IDC_STATIC, Text, "------->", {153, 146, 21, 8}},
    {IDC_CONVERT, DefaultButton, "Start Converting", {179, 143, 91, 14}},
};

constexpr ControlTemplate kAbout[] = {
    {IDC_STATIC, Icon, "", {11, 11, 20, 20}},
    {IDC_STATIC, Text, "Tarnwick, Version 1.0", {40, 10, 119, 8}},
    {IDOK, DefaultButton, "OK", {178, 7, 32, 14}},
};

constexpr const char* kFont = "MS Sans Serif";

constexpr DialogTemplate kUpdateGermanDialog{282,   260, "Lumivale  -  Kleinplaneten aktualisieren",
                                             kFont, 8,   kUpdateGerman};
constexpr DialogTemplate kUpdateEnglishDialog{282,   189, "Lumivale  -  Update Asteroids",
                                              kFont, 8,   kUpdateEnglish};
constexpr DialogTemplate kAboutGermanDialog{217, 55, "Info über Tarnwick", kFont, 8, kAbout};
constexpr DialogTemplate kAboutEnglishDialog{217, 55, "About Tarnwick", kFont, 8, kAbout};

}  // namespace

const DialogTemplate& UpdateDialogTemplate(Language language) {
  return language == Language::German ? kUpdateGermanDialog : kUpdateEnglishDialog;
}

const DialogTemplate& AboutBoxTemplate(Language language) {
  return language == Language::German ? kAboutGermanDialog : kAboutEnglishDialog;
}

}  // namespace tarnwick
