// The language a session asks for, as the POSIX locale variables tell it.
// Each front end picks its own language through one function of its own,
// which reads it here; neither core nor platform words anything.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tarnwick {

/// The languages the front ends speak.
enum class Language { English, German };

/// True when a locale or language name ("de", "de_DE.UTF-8", "de-AT", "German")
/// names German.
bool IsGermanLanguageName(std::string_view name) noexcept;

/// German when the session asks for it: the first name of LANGUAGE, unless
/// the locale (LC_ALL, else LC_MESSAGES, else LANG) is C or POSIX, which
/// means English whatever LANGUAGE says, as gettext has it; without LANGUAGE
/// that locale. English otherwise. `variable` gives an environment
/// variable's value, empty when it is unset.
Language SessionLanguage(const std::function<std::string(const char* name)>& variable);

}  // namespace tarnwick
