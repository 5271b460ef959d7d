// The desktop program's run: Qt's application object, the translations, the
// stored directories loaded before the main dialog and saved after it.
#pragma once

#include "session_language.h"
#include "start_up.h"

namespace tarnwick {

/// The desktop's language: German when the session's language variables
/// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, read through `environment`) ask
/// for it, English otherwise. The one place that decides it.
Language DesktopLanguage(const Environment& environment);

/// The variables of this process, for DesktopLanguage and CheckStartUp.
std::string ProcessVariable(const char* name);

/// Sets the application's name from the executable's file name (Qt's default
/// would keep an extension), its version and icon, and UseLanguage of the
/// desktop's language. Needs the application object.
void SetUpApplication();

/// Speaks `language`: for German the translations of Tarnwick's texts and
/// Qt's own (when installed; else Qt's texts stay English), which English
/// removes again. Texts made afterwards speak it. Needs the application object.
void UseLanguage(Language language);

/// Loads the directories, runs the main dialog until it is closed and saves
/// them: a choice reaches the profile store only when the program ends.
void RunMainDialog();

/// The whole program after the start-up check: the application object,
/// SetUpApplication, RunMainDialog. Returns the exit status, 0.
int RunDesktop(int argc, char** argv);

}  // namespace tarnwick
