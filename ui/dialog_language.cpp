#include "dialog_language.h"

#include <atomic>

namespace tarnwick {
namespace {

std::atomic<Language> gLanguage{Language::English};

}  // namespace

Language DialogLanguage() noexcept { return gLanguage.load(); }

void SetDialogLanguage(Language language) noexcept { gLanguage.store(language); }

}  // namespace tarnwick
