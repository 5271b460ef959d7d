// The catalogue as the conversion reads it: plain text, or gzip and ZIP
// decompressed while they are read, never unpacked to disk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "file_layer.h"

namespace tarnwick {

/// What a catalogue stream turned out to hold.
enum class InputFormat { Plain, Gzip, Zip };

/// What a catalogue stream has read so far: its format (Plain until the first
/// read), the bytes taken from the file and the bytes handed on.
struct InputSummary {
  InputFormat format = InputFormat::Plain;
  std::uint64_t bytesIn = 0;
  std::uint64_t bytesOut = 0;
};

/// A catalogue read from a file descriptor. The first read decides what it
/// holds: gzip when it begins with 1F 8B, whatever its name (members written
/// one after another read as one stream); ZIP when it begins with a local
/// file header (the member named MPCORB.DAT in any case, else the only file
/// in it); plain text otherwise. Read errors, damaged or incomplete
/// compressed data, a ZIP without a single catalogue in it and a ZIP that
/// does not come from a regular file leave Read as FileException with a
/// message that tells the user what to do.
class DecompressingInput : public InputStream {
 public:
  ~DecompressingInput() override = default;
  /// The format and byte counts so far.
  virtual InputSummary Summary() const noexcept = 0;
};

/// Opens the file at `path` for reading as a catalogue; nullptr when it
/// cannot be opened (missing, unreadable, a directory). Nothing is read
/// before the first Read, so a test opening costs no more than an open.
std::unique_ptr<DecompressingInput> OpenCatalogueFile(const std::string& path);

/// Reads the catalogue from the open descriptor `fd` (standard input, a
/// pipe), which stays open; errors carry `name` as their path.
std::unique_ptr<DecompressingInput> OpenCatalogueDescriptor(int fd, const std::string& name);

}  // namespace tarnwick
