// The user-visible texts that code loads by number, in German and English.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDS_CONVERSION_DONE = 102;
inline constexpr int IDS_DONE_CAPTION = 103;
inline constexpr int IDS_CHOOSE_INPUT_DIR = 104;
inline constexpr int IDS_CHOOSE_OUTPUT_DIR = 105;
inline constexpr int IDS_OVERWRITE = 106;
inline constexpr int IDS_ATTENTION = 107;
inline constexpr int IDS_OPEN_FAILED = 108;
inline constexpr int IDS_NO_ORBIT_DATA = 109;
inline constexpr int IDS_LINE_TOO_LONG = 110;
inline constexpr int IDS_COMMIT_BUSY = 111;
inline constexpr int IDS_PAIR_REPAIRED = 112;
inline constexpr int IDS_OWNER_CHANGED = 113;
inline constexpr int IDS_COPY_FAILED = 114;
inline constexpr int IDS_COMPLETE_FILE_AT = 115;
inline constexpr int IDS_ZIP_UNSUPPORTED = 140;
inline constexpr int IDS_ZIP_TOO_MANY_MEMBERS = 141;

enum class Language { German, English };

/// Chooses the table that LoadText reads from. A front end calls this once at
/// start-up; until then the English table is used.
void SetTextLanguage(Language language) noexcept;

/// The language currently chosen by SetTextLanguage.
Language TextLanguage() noexcept;

/// True when a locale or language name ("de", "de_DE.UTF-8", "de-AT", "German")
/// names German. Front ends use it on the user's first interface language.
bool IsGermanLanguageName(std::string_view name) noexcept;

/// The text with number `id` from the chosen table (UTF-8), or the empty text
/// when the table has no such number.
std::string LoadText(int id);

/// `text` with its first `placeholder` replaced by `value`, unchanged; `text`
/// as it is when it holds no placeholder.
std::string ReplacePlaceholder(std::string_view text, std::string_view placeholder,
                               std::string_view value);

/// Replaces the first "%s" in `text` by `path`, unchanged.
inline std::string FormatWithPath(std::string_view text, std::string_view path) {
  return ReplacePlaceholder(text, "%s", path);
}

}  // namespace tarnwick
