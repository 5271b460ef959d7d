// The desktop program's application object: start-up, the one modal dialog,
// and the saving of the directories at the end.
#pragma once

#include "text_table.h"

class QWidget;

namespace tarnwick {

/// German when the first of the user's interface languages (LANGUAGE, LC_ALL,
/// LC_MESSAGES, LANG) is German, English otherwise.
Language UserInterfaceLanguage();

class CConverterApp final {
 public:
  /// Needs Qt's application object. Fixes the application word from the
  /// executable's file name (Qt's default would keep an extension) and the
  /// user-interface language for the texts and the dialog templates.
  CConverterApp();

  CConverterApp(const CConverterApp&) = delete;
  CConverterApp& operator=(const CConverterApp&) = delete;

  /// Names the profile store, loads theSettings, runs the main dialog
  /// modally and returns false once it is closed: the program has no message
  /// loop of its own.
  bool InitInstance();

  /// Saves theSettings; returns the exit code, 0.
  int ExitInstance();

  /// The main dialog while InitInstance runs it, else nullptr.
  QWidget* MainWindow() const { return m_pMainWnd; }

  /// The whole program: Qt's application object, InitInstance, ExitInstance.
  static int Run(int argc, char** argv);

 private:
  QWidget* m_pMainWnd = nullptr;
};

}  // namespace tarnwick
