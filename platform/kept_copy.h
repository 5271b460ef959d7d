// The copy of the last download kept in the user's cache folder, one per
// address, with a small state file beside it: the server's validators (ETag,
// Last-Modified), the copy's size, and the identities (device, inode, size,
// modification time) of the output pairs made from it.
//
// The cache folder is trusted only when the caller owns it and nobody else
// can write it. Every file in it is opened relative to the folder's
// descriptor, never through a link, and only as a regular file of bounded
// size; new files get unpredictable names and are created exclusively.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "descriptor.h"

namespace tarnwick {

/// Why a cache folder is not used.
enum class CacheProblem {
  None,
  CannotOpen,    ///< missing and cannot be made, or not a folder; see the errno value
  NotOwned,      ///< owned by another user
  OpenToOthers,  ///< group or others may write it
  ForeignLink,   ///< a symbolic link that another user made
};

/// The cache folder, checked once and held open.
struct CacheFolder {
  std::string path;
  Descriptor fd;  ///< open when the folder is usable
  CacheProblem problem = CacheProblem::None;
  int error = 0;  ///< errno for CannotOpen
};

/// Opens the cache folder `path`, making it and any missing parent with mode
/// 0700. An existing folder the caller owns is narrowed to 0700 too.
CacheFolder OpenCacheFolder(const std::string& path);

/// What the state file says.
struct KeptState {
  std::string url;
  std::string etag;
  std::string lastModified;
  std::uint64_t size = 0;
  std::deque<std::string> pairs;  ///< identities of pairs made from the copy, newest last
};

/// The kept copy's file name: a short readable part from the address's last
/// segment and a hash of the whole address, so two addresses never share a
/// copy and no address makes a name too long.
std::string KeptCopyName(const std::string& url);

/// Device, inode, size and modification time of both outputs; empty when one is missing.
std::string PairIdentity(const std::string& orbitPath, const std::string& infoPath);

/// Adds `identity` as the newest pair made from the copy (at most 16 are kept).
void RememberPair(KeptState& state, const std::string& identity);

/// The kept copy of one address in an open cache folder.
class KeptCopy {
 public:
  /// The copy for `url`; user information in it plays no part.
  KeptCopy(const CacheFolder& folder, const std::string& url);
  KeptCopy(const KeptCopy&) = delete;
  KeptCopy& operator=(const KeptCopy&) = delete;
  ~KeptCopy();

  /// The copy's full path, for messages and for reading it.
  const std::string& Path() const noexcept { return path_; }

  /// The state, when it belongs to this address, is intact, and the copy is
  /// a regular file of the size it names; otherwise an empty state. Marks
  /// the copy as used (for pruning).
  KeptState ReadState();

  /// The copy opened for reading (a regular file, not a link), or none.
  Descriptor OpenCopy() const;

  /// Writes the state file anew through an exclusive temporary (mode 0600)
  /// and a rename. Returns 0 or the errno value of the failure.
  int WriteState(const KeptState& state);

  /// Removes the copy and its state.
  void Drop() noexcept;

  /// Creates the temporary for the next copy; its descriptor, or -1 with errno set.
  int CreatePartial();
  /// The temporary's full path, empty when there is none.
  std::string PartialPath() const;
  /// Flushes the temporary and moves it into place, the old state removed
  /// first; 0 or the errno value of the failure.
  int KeepPartial();

  /// Removes what killed runs left (temporaries unchanged for a day) and the
  /// copies of other addresses unused for 30 days.
  void Prune() noexcept;

 private:
  int folder_;
  std::string folderPath_;
  std::string url_;  ///< without user information, which is never written down
  std::string name_;
  std::string path_;
  std::string partialName_;
  Descriptor partial_;
};

}  // namespace tarnwick
