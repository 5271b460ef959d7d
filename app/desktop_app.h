// The desktop program's run: Qt's application object, the translations, the
// stored directories loaded before the main dialog and saved after it.
#pragma once

#include "text_table.h"

namespace tarnwick {

/// German when the first of the user's interface languages (LANGUAGE, LC_ALL,
/// LC_MESSAGES, LANG) is German, English otherwise.
Language UserInterfaceLanguage();

/// Sets the application's name from the executable's file name (Qt's default
/// would keep an extension), its version and icon, and UseLanguage of the
/// user-interface language. Needs the application object.
void SetUpApplication();

/// The conversion's texts in `language`; for German also the dialogs'
/// translation and Qt's own (when installed; else Qt's texts stay English),
/// which English removes again. Dialogs made afterwards speak it.
void UseLanguage(Language language);

/// Loads the directories, runs the main dialog until it is closed and saves
/// them: a choice reaches the profile store only when the program ends.
void RunMainDialog();

/// The whole program after the start-up check: the application object,
/// SetUpApplication, RunMainDialog. Returns the exit status, 0.
int RunDesktop(int argc, char** argv);

}  // namespace tarnwick
