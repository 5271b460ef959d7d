// The failures of the decompressing input, shared by its gzip and ZIP readers.
#pragma once

#include <string>

#include "file_layer.h"
#include "file_output.h"

namespace tarnwick {

[[noreturn]] inline void ThrowDamaged(const std::string& path) {
  throw FileException(FileCause::HardIO, path, FileProblem::CompressedDamaged);
}

[[noreturn]] inline void ThrowUnsupportedZip(const std::string& path) {
  throw FileException(FileCause::InvalidFile, path, FileProblem::ZipUnsupported);
}

/// A read that failed, with the system's own reason.
[[noreturn]] inline void ThrowReadError(int error, const std::string& path) {
  throw SystemFileError(error, path);
}

}  // namespace tarnwick
