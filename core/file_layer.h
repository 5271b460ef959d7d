// The conversion's file layer: file errors, the streams the run reads and
// writes, and the file-system operations it needs. `FileSystem` is a seam:
// the real one lives in the platform library, tests replace it to inject
// failures.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwick {

/// Why a file operation failed. The numbers are those the file-error box
/// tells its texts by; the values no failure here can produce are left out.
enum class FileCause : int {
  Generic = 1,
  FileNotFound = 2,
  BadPath = 3,
  TooManyOpenFiles = 4,
  AccessDenied = 5,
  InvalidFile = 6,
  BadSeek = 9,
  HardIO = 10,
  SharingViolation = 11,
  LockViolation = 12,
  DiskFull = 13,
};

/// What went wrong where the cause alone does not tell the user what to do.
enum class FileProblem {
  None,                   ///< the cause says it all
  LineTooLong,            ///< a catalogue line longer than 1 MiB; Number() is its line number
  CommitBusy,             ///< another run kept the commit lock; the path is the orbit target
  CopyFailed,             ///< writing over the path in place failed; Kept() names the complete
                          ///< new files that were kept
  AppendOnlyFolder,       ///< the path's folder takes new files but lets none go
  TemporaryFolderFailed,  ///< no file can be made in the temporary folder, the path
  CannotLock,             ///< the lock file, the path, that keeps other runs out cannot be had
  CompressedDamaged,      ///< damaged or incomplete gzip or ZIP data
  ZipFromPipe,            ///< a ZIP archive that is not a regular file
  ZipWithoutCatalogue,    ///< no MPCORB.DAT and not exactly one file in the archive
  ZipUnsupported,         ///< an intact archive packed with Deflate64 or encryption
  ZipTooManyMembers,      ///< more members than the memory bound allows
};

/// A read, write, close or move failure after the files are open. Carries the
/// cause, the full path of the file concerned, where the system gave one its
/// errno value, and a problem where the cause is not enough. Front ends word
/// it; what() is a short English line for logs and nothing else.
class FileException : public std::runtime_error {
 public:
  FileException(FileCause cause, std::string path, int systemError = 0,
                FileProblem problem = FileProblem::None);
  /// The same failure with `problem`, and `number` or `kept` where it needs them.
  FileException(FileCause cause, std::string path, FileProblem problem, int systemError = 0,
                std::uint64_t number = 0, std::vector<std::string> kept = {});

  FileCause Cause() const noexcept { return cause_; }
  const std::string& Path() const noexcept { return path_; }
  /// The errno value the system gave; 0 when the failure is not the system's.
  int SystemError() const noexcept { return systemError_; }
  FileProblem Problem() const noexcept { return problem_; }
  /// LineTooLong: the line's number.
  std::uint64_t Number() const noexcept { return number_; }
  /// CopyFailed: the complete new files kept, first the one for Path().
  const std::vector<std::string>& Kept() const noexcept { return kept_; }

 private:
  FileCause cause_;
  std::string path_;
  int systemError_;
  FileProblem problem_;
  std::uint64_t number_;
  std::vector<std::string> kept_;
};

/// Why an output is refused before anything is written to it.
enum class OutputRefusal {
  None,
  IsTheCatalogue,  ///< replacing it would lose the catalogue
  SameAsOther,     ///< it is the file the other output goes to
  /// On the way to the file, a symbolic link in a sticky or world-writable
  /// folder that belongs neither to this user nor to the folder's owner.
  UntrustedLink,
  NotAFile,    ///< a device (other than the null device), a FIFO or a socket
  OthersFile,  ///< another user's file in a sticky folder: only its owner may replace it
};

/// A file open for reading.
class InputStream {
 public:
  virtual ~InputStream() = default;
  /// Reads up to `size` bytes into `buffer`; returns how many, 0 at the end.
  /// Throws FileException (FileCause::Generic unless the system says more) on failure.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
  /// Read without the copy where the stream holds the bytes in memory of its
  /// own: up to `size` bytes, there or in `buffer`, valid until the next
  /// Read, Lend or Close; empty at the end. Throws as Read does. This
  /// default reads into `buffer`.
  virtual std::span<const char> Lend(char* buffer, std::size_t size) {
    return {buffer, Read(buffer, size)};
  }
  /// Closes the file; a second call does nothing. Throws FileException.
  virtual void Close() = 0;

 protected:
  /// Read for a stream that does its work in Lend: copies what Lend hands out.
  std::size_t CopyLent(char* buffer, std::size_t size);
};

/// A file open for writing.
class OutputStream {
 public:
  virtual ~OutputStream() = default;
  /// Writes all `size` bytes in one request. Throws FileException: the errno
  /// cause, or DiskFull when fewer bytes were written without an error. A
  /// stream that writes behind reports a failure by the next Write or Close.
  virtual void Write(const char* data, std::size_t size) = 0;
  /// Writes all of `buffer` as Write does, and may take the buffer itself
  /// rather than copy it: `buffer` then comes back as another one, of
  /// undefined contents and size, to fill next. This default copies.
  virtual void Exchange(std::vector<char>& buffer) { Write(buffer.data(), buffer.size()); }
  /// Flushes and closes; a second call does nothing. Throws FileException.
  virtual void Close() = 0;
};

/// The file-system operations of a conversion run. Streams it hands out
/// report their errors with the path they were opened under.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  /// Opens an existing file for reading; nullptr when it cannot be opened
  /// (missing, unreadable, a directory), with errno telling why.
  virtual std::unique_ptr<InputStream> OpenRead(const std::string& path) = 0;

  enum class Kind { Missing, Regular, Directory, Pipe, Other };

  /// What `path` names, symbolic links followed (a dangling link is Missing).
  /// Pipe is a FIFO; Other a device or socket.
  virtual Kind KindOf(const std::string& path) = 0;

  /// Whether two paths name the same file: the same existing file (also
  /// through links or hard links), or, where the file does not exist yet, the
  /// same name in the same folder. The system resolves links and "..".
  virtual bool SameFile(const std::string& first, const std::string& second) = 0;

  /// Checks an output path before anything is written and stores the file it
  /// finally names (as ResolveLinks) in `target`, links followed in the same
  /// pass as they are checked: every symbolic link on the way that lies in a
  /// sticky or world-writable folder must belong to this user or to that
  /// folder's owner, the file must be a regular file, missing, or the null
  /// device, and a file of another user in a sticky folder that this user
  /// could only replace by renaming is refused. The checks of the file system
  /// itself; this one refuses devices, FIFOs and sockets only.
  virtual OutputRefusal CheckOutput(const std::string& path, std::string& target) {
    target = ResolveLinks(path);
    const Kind kind = KindOf(target);
    return kind == Kind::Pipe || kind == Kind::Other ? OutputRefusal::NotAFile
                                                     : OutputRefusal::None;
  }

  /// Held while a run writes into the folders it was given.
  class FolderHold {
   public:
    virtual ~FolderHold() = default;
  };

  /// Opens the folders of `targets` (links already followed) and, for as long
  /// as the hold lives, reaches every file in them through those open folders,
  /// so that a folder that is moved or replaced meanwhile is still the one the
  /// run started in. A folder that cannot be opened is left to each operation.
  virtual std::unique_ptr<FolderHold> HoldFolders(const std::vector<std::string>& targets) {
    (void)targets;
    return std::make_unique<FolderHold>();
  }

  /// Whether an existing file could be opened for writing, without changing it.
  virtual bool CanWrite(const std::string& path) = 0;

  /// Creates a new, empty file next to `target` that no one else uses and
  /// stores its path in `tempPath`; nullptr, with errno telling why, when the
  /// folder takes no new file (or, for an existing target, takes none that
  /// could be moved or removed again). Throws FileException with `target` where nothing else could
  /// stand in: a new target, and the system refuses for a reason other than
  /// permission (no space or inode left, an append-only folder). Errors of
  /// the returned stream carry `target` as their path.
  virtual std::unique_ptr<OutputStream> CreateTemporary(const std::string& target,
                                                        std::string& tempPath) = 0;

  /// As CreateTemporary, but in the user's temporary folder ($TMPDIR, else
  /// /tmp), for a target whose own folder takes no new file. Throws
  /// FileException naming the temporary folder when no file can be made
  /// there; errors of the returned stream carry the temporary's own path.
  virtual std::unique_ptr<OutputStream> CreateTemporaryElsewhere(const std::string& target,
                                                                 std::string& tempPath) = 0;

  /// Opens the null device, which CheckOutput lets pass, for writing in
  /// place; nullptr when that fails or `path` names anything else.
  virtual std::unique_ptr<OutputStream> OpenInPlace(const std::string& path) = 0;

  /// Gives `path` the owner, group, permission bits and extended attributes
  /// (ACLs among them) of `model`, as far as the system allows. Returns false
  /// when the owner or the group could not be kept; other failures are ignored.
  virtual bool CopyAttributes(const std::string& model, const std::string& path) = 0;

  /// Keeps the current content of `path` under `backup`: a hard link, or
  /// where links are not possible a copy, written under `backup` +
  /// ".partial" and given the name `backup` only once it is complete, on the
  /// disk and has the owner, mode and attributes of `path`. So `backup`
  /// always names a whole previous file. Throws FileException with `path`.
  virtual void Preserve(const std::string& path, const std::string& backup) = 0;

  /// Atomically replaces `to` by `from`, which must be a regular file (the
  /// one this program made under that name, where it made one): a link put
  /// in its place is refused. Throws FileException with `to`.
  virtual void Replace(const std::string& from, const std::string& to) = 0;

  /// Flushes the complete file `from` to the disk and gives it a second name
  /// that Leftovers(to) reports as an interrupted copy, so that the next run
  /// can finish the copy should this process be killed before CopyOver has
  /// done it. Called for every file of a pair before the first CopyOver;
  /// where the system cannot do it, nothing happens.
  virtual void PrepareCopyOver(const std::string& from, const std::string& to) = 0;

  /// Writes the content of `from` over the existing file `to` in place:
  /// truncated, written, flushed to the disk, its size checked; then the
  /// second name PrepareCopyOver gave `from` goes. Throws FileException with
  /// `to`; `to` may then be damaged.
  virtual void CopyOver(const std::string& from, const std::string& to) = 0;

  /// Removes a file; failures are ignored.
  virtual void Remove(const std::string& path) noexcept = 0;

  /// The file a path finally names: symbolic links followed, also when the
  /// last one dangles. Returns `path` when there is nothing to follow. The
  /// path is never rewritten as text: "a/link/.." stays for the system to
  /// resolve.
  virtual std::string ResolveLinks(const std::string& path) = 0;

  /// Held while a pair of files is replaced; releasing it ends the commit.
  class CommitLock {
   public:
    virtual ~CommitLock() = default;
  };

  /// Locks the folders of `targets` against the commits of other runs of this
  /// user, waiting up to `wait` for one in progress, and holds back every
  /// signal that could end the process (all but those of a fault in the
  /// program itself) until the lock is released. The lock is a file only
  /// this user can open, so no other user can stall a run. nullptr when
  /// another run kept the lock for longer. A folder that does not exist is
  /// skipped; one whose lock cannot be had (no locks on its file system, a
  /// lock file of another user's that cannot be removed) throws FileException.
  virtual std::unique_ptr<CommitLock> LockForCommit(const std::vector<std::string>& targets,
                                                    std::chrono::milliseconds wait) = 0;

  /// A file this program left beside a target: a temporary or a backup.
  struct Leftover {
    std::string path;
    std::int64_t ageSeconds = 0;  ///< since its last change
    /// A complete copy that a killed run was writing over the target in place.
    bool interruptedCopy = false;
  };

  /// The regular files with exactly this program's names for `target`:
  /// `target` + ".tarnwick-" + 12 hex digits, optionally + ".previous" (a
  /// backup) or ".previous.partial" (one being written). Also those of this
  /// user in the temporary folder that are meant for the target, or are older
  /// than a day.
  virtual std::vector<Leftover> Leftovers(const std::string& target) = 0;
};

/// Passes every operation on to another file system. Decorators derive from
/// it and override only what they change.
class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& base) : base_(base) {}

  std::unique_ptr<InputStream> OpenRead(const std::string& path) override {
    return base_.OpenRead(path);
  }
  Kind KindOf(const std::string& path) override { return base_.KindOf(path); }
  bool SameFile(const std::string& first, const std::string& second) override {
    return base_.SameFile(first, second);
  }
  OutputRefusal CheckOutput(const std::string& path, std::string& target) override {
    return base_.CheckOutput(path, target);
  }
  std::unique_ptr<FolderHold> HoldFolders(const std::vector<std::string>& targets) override {
    return base_.HoldFolders(targets);
  }
  bool CanWrite(const std::string& path) override { return base_.CanWrite(path); }
  std::unique_ptr<OutputStream> CreateTemporary(const std::string& target,
                                                std::string& tempPath) override {
    return base_.CreateTemporary(target, tempPath);
  }
  std::unique_ptr<OutputStream> CreateTemporaryElsewhere(const std::string& target,
                                                         std::string& tempPath) override {
    return base_.CreateTemporaryElsewhere(target, tempPath);
  }
  std::unique_ptr<OutputStream> OpenInPlace(const std::string& path) override {
    return base_.OpenInPlace(path);
  }
  bool CopyAttributes(const std::string& model, const std::string& path) override {
    return base_.CopyAttributes(model, path);
  }
  void Preserve(const std::string& path, const std::string& backup) override {
    base_.Preserve(path, backup);
  }
  void Replace(const std::string& from, const std::string& to) override { base_.Replace(from, to); }
  void PrepareCopyOver(const std::string& from, const std::string& to) override {
    base_.PrepareCopyOver(from, to);
  }
  void CopyOver(const std::string& from, const std::string& to) override {
    base_.CopyOver(from, to);
  }
  void Remove(const std::string& path) noexcept override { base_.Remove(path); }
  std::string ResolveLinks(const std::string& path) override { return base_.ResolveLinks(path); }
  std::unique_ptr<CommitLock> LockForCommit(const std::vector<std::string>& targets,
                                            std::chrono::milliseconds wait) override {
    return base_.LockForCommit(targets, wait);
  }
  std::vector<Leftover> Leftovers(const std::string& target) override {
    return base_.Leftovers(target);
  }

 protected:
  FileSystem& base_;
};

}  // namespace tarnwick
