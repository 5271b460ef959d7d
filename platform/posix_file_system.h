// The file layer on this computer: the real file system, standard input, and
// how the system's error numbers map to file-error causes.
#pragma once

#include <memory>
#include <string>

#include "file_layer.h"

namespace tarnwick {

/// Maps an errno value to its cause: full disk or quota DiskFull; access
/// denied, permission, read-only file system AccessDenied; I/O error HardIO;
/// too many open files TooManyOpenFiles; not found FileNotFound; a bad path
/// BadPath; anything unmatched Generic.
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
