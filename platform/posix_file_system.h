// The file layer on this computer: the real file system, standard input, and
// how the system's error numbers map to file-error causes.
#pragma once

#include <memory>
#include <string>

#include "file_layer.h"

namespace tarnwick {

/// Maps an errno value to a cause number: full disk or quota 13; access
/// denied, permission, read-only file system 5; I/O error 10; too many open
/// files 4; not found 2; bad path 3; anything unmatched 1.
FileCause CauseFromErrno(int error) noexcept;

/// The FileException for the errno value `error` on `path`.
FileException SystemFileError(int error, std::string path);

/// The file system of this computer. OpenRead reads a file as the catalogue
/// is read: gzip and ZIP are decompressed on the way (decompressing_input.h).
FileSystem& SystemFileSystem();

/// Standard input as a catalogue stream, gzip decompressed on the way;
/// errors carry `name` as their path.
std::unique_ptr<InputStream> OpenStandardInput(const std::string& name);

}  // namespace tarnwick
