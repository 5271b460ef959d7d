// The file layer on this computer: the real file system and standard input.
#pragma once

#include <memory>
#include <string>

#include "file_layer.h"
#include "file_output.h"  // CauseFromErrno, SystemFileError

namespace tarnwick {

/// The file system of this computer. OpenRead reads a file as the catalogue
/// is read: gzip and ZIP are decompressed on the way (decompressing_input.h).
FileSystem& SystemFileSystem();

/// Standard input as a catalogue stream, gzip decompressed on the way;
/// errors carry `name` as their path.
std::unique_ptr<InputStream> OpenStandardInput(const std::string& name);

}  // namespace tarnwick
