#include "file_layer.h"

#include "text_table.h"

namespace tarnwick {

FileException::FileException(FileCause cause, std::string path, const std::string& message,
                             int systemError)
    : std::runtime_error(message.empty() ? FileErrorText(cause, path) : message),
      cause_(cause),
      path_(std::move(path)),
      systemError_(systemError),
      ownMessage_(!message.empty() && !message.starts_with(FileErrorText(cause, path_))) {}

TextId CauseText(FileCause cause) noexcept {
  const auto index = static_cast<int>(cause);
  const int last = static_cast<int>(FileCause::EndOfFile);
  return static_cast<TextId>(static_cast<int>(TextId::CauseNone) +
                             (index >= 0 && index <= last ? index : 1));
}

std::string FileErrorText(FileCause cause, const std::string& path) {
  return LoadText(Language::German, CauseText(cause), {path});
}

}  // namespace tarnwick
