// The desktop program's application object: start-up, the one modal dialog,
// and the saving of the directories at the end.
#pragma once

#include <QTranslator>

#include "text_table.h"

namespace tarnwick {

/// German when the first of the user's interface languages (LANGUAGE, LC_ALL,
/// LC_MESSAGES, LANG) is German, English otherwise.
Language UserInterfaceLanguage();

class CConverterApp final {
 public:
  /// Needs Qt's application object. Fixes the application word from the
  /// executable's file name (Qt's default would keep an extension) and the
  /// user-interface language for the texts, the dialog templates and Qt's
  /// own texts (its translations when they are installed, else English).
  CConverterApp();

  CConverterApp(const CConverterApp&) = delete;
  CConverterApp& operator=(const CConverterApp&) = delete;

  /// Names the profile store, loads theSettings and runs the main dialog
  /// modally until it is closed: the program has no message loop of its own.
  void InitInstance();

  /// Saves theSettings; returns the exit code, 0.
  int ExitInstance();

  /// The whole program: Qt's application object, InitInstance, ExitInstance.
  static int Run(int argc, char** argv);

 private:
  QTranslator m_qtTranslator;
};

}  // namespace tarnwick
