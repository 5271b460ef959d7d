// The failures of the decompressing input, shared by its gzip and ZIP readers.
#pragma once

#include <cstring>
#include <string>

#include "file_layer.h"
#include "file_output.h"
#include "text_table.h"

namespace tarnwick {

[[noreturn]] inline void ThrowDamaged(const std::string& path) {
  throw FileException(FileCause::HardIO, path, LoadText(TextId::CompressedDamaged, {path}));
}

[[noreturn]] inline void ThrowUnsupportedZip(const std::string& path) {
  throw FileException(FileCause::InvalidFile, path, LoadText(TextId::ZipUnsupported, {path}));
}

/// A read that failed: the system's own reason joins the cause's text, as
/// "an unknown error" alone would not tell the user anything.
[[noreturn]] inline void ThrowReadError(int error, const std::string& path) {
  throw FileException(
      CauseFromErrno(error), path,
      FileErrorText(CauseFromErrno(error), path) + " (" + std::strerror(error) + ")", error);
}

}  // namespace tarnwick
