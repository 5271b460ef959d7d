// The language the desktop's dialogs speak. The application picks it and
// installs the matching translations (app/desktop_app.h, UseLanguage); the
// dialogs read it where the language changes more than their words.
#pragma once

#include "session_language.h"

namespace tarnwick {

/// The language set by SetDialogLanguage; English until then.
Language DialogLanguage() noexcept;

/// Records the language whose translations are installed.
void SetDialogLanguage(Language language) noexcept;

}  // namespace tarnwick
