// The catalogue as the conversion reads it: plain text, or gzip and ZIP
// decompressed while they are read, never unpacked to disk.
#pragma once

#include <cstddef>
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
/// compressed data, a ZIP without a single catalogue in it, a ZIP packed in
/// a way that cannot be read (Deflate64, encryption) or with more than 10,000
/// members, and a ZIP that does not come from a regular file leave Read (or
/// Close) as FileException; all but read errors carry their FileProblem.
class DecompressingInput : public InputStream {
 public:
  ~DecompressingInput() override = default;
  /// The format and byte counts so far.
  virtual InputSummary Summary() const noexcept = 0;
};

/// Bytes that arrive while they are read, for a catalogue stream that is
/// not a descriptor of its own: a download's copy as it grows.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  /// Up to `size` bytes into `buffer`, waiting until some are there. Returns
  /// their count; 0 at the end, and once interrupted; -1 with errno set when
  /// the bytes could not be read.
  virtual long Read(void* buffer, std::size_t size) = 0;
  /// Makes a Read waiting on another thread, and every later one, return 0.
  virtual void Interrupt() noexcept = 0;
};

/// How compressed input travels: read from the file in pieces of
/// `compressedBlock` bytes, decompressed on a thread of its own into a ring of
/// `blocks` blocks of `blockSize` bytes, which Read hands on. Any sizes from 1
/// give the same bytes; the defaults keep both threads busy in about 1 MiB.
struct PipelineShape {
  std::size_t compressedBlock = std::size_t{1} << 16;
  std::size_t blockSize = std::size_t{1} << 18;
  std::size_t blocks = 4;
};

/// Opens the file at `path` for reading as a catalogue; nullptr when it
/// cannot be opened (missing, unreadable, a directory). Nothing is read
/// before the first Read, so a test opening costs no more than an open.
/// Close reads compressed input to its end and fails when it is damaged.
std::unique_ptr<DecompressingInput> OpenCatalogueFile(const std::string& path,
                                                      const PipelineShape& shape = {});

/// Reads the catalogue from the open descriptor `fd` (standard input, a
/// pipe), which stays open; errors carry `name` as their path.
std::unique_ptr<DecompressingInput> OpenCatalogueDescriptor(int fd, const std::string& name,
                                                            const PipelineShape& shape = {});

/// Reads the catalogue from `source`, which must outlive the stream; errors
/// carry `name` as their path. A ZIP archive cannot be read this way.
std::unique_ptr<DecompressingInput> OpenCatalogueSource(ByteSource& source, const std::string& name,
                                                        const PipelineShape& shape = {});

}  // namespace tarnwick
