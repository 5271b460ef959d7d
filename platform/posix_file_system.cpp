// The file layer on a POSIX system: files, temporaries, moves, attributes and
// commit locks through the system's own calls, the catalogue and standard
// input through the decompressing input. Paths are handed to the system as
// they are: it alone decides what a link or ".." means. The program's own
// files (temporaries, backups) are reached through an open descriptor of
// their folder and never through a link. Each concern lives in a unit of its
// own: file_output (writing, errno mapping), commit_lock, own_files (the
// program's temporaries), attributes, copy_in_place.
#include "posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "attributes.h"
#include "commit_lock.h"
#include "copy_in_place.h"
#include "decompressing_input.h"
#include "descriptor.h"
#include "file_output.h"
#include "own_files.h"
#include "own_names.h"
#include "place.h"

namespace tarnwick {

namespace {

class DiskFileSystem final : public FileSystem {
 public:
  std::unique_ptr<InputStream> OpenRead(const std::string& path) override {
    return OpenCatalogueFile(path);
  }

  Kind KindOf(const std::string& path) override {
    const Place at = Locate(path);
    struct stat st {};
    if (!at.folder || ::fstatat(at.folder.get(), at.name.c_str(), &st, 0) != 0)
      return Kind::Missing;
    if (S_ISREG(st.st_mode)) return Kind::Regular;
    if (S_ISDIR(st.st_mode)) return Kind::Directory;
    if (S_ISFIFO(st.st_mode)) return Kind::Pipe;
    return Kind::Other;
  }

  bool SameFile(const std::string& first, const std::string& second) override {
    struct stat a {};
    struct stat b {};
    const bool firstExists = ::stat(first.c_str(), &a) == 0;
    const bool secondExists = ::stat(second.c_str(), &b) == 0;
    if (firstExists || secondExists) return firstExists && secondExists && SameInode(a, b);
    // Neither exists yet: the same name in the same folder.
    const std::string x = ResolveLinks(first);
    const std::string y = ResolveLinks(second);
    if (NamePart(x) != NamePart(y)) return false;
    if (::stat(FolderOf(x).c_str(), &a) != 0 || ::stat(FolderOf(y).c_str(), &b) != 0) return x == y;
    return SameInode(a, b);
  }

  OutputRefusal CheckOutput(const std::string& path, std::string& target) override {
    OutputRefusal refusal = OutputRefusal::None;
    target = tarnwick::ResolveLinks(path, &refusal);
    if (refusal != OutputRefusal::None) return refusal;
    const Place at = Locate(target);
    struct stat st {};
    struct stat folder {};
    // Missing, or a loop of links that the new file replaces: nothing to refuse.
    if (!at.folder || ::fstatat(at.folder.get(), at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        S_ISLNK(st.st_mode) || S_ISDIR(st.st_mode))
      return OutputRefusal::None;
    // The null device takes the records of a trial run; any other device
    // would be written over, and a FIFO would keep the run waiting.
    if (S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, 3)) return OutputRefusal::None;
    if (!S_ISREG(st.st_mode)) return OutputRefusal::NotAFile;
    // In a sticky folder only the file's owner, the folder's owner and root
    // may rename over a file: the commit would fail after the whole run.
    // Where the folder takes no new file of this user's, the file is written
    // over in place instead, which needs no renaming.
    const uid_t me = ::geteuid();
    if (me != 0 && st.st_uid != me && ::fstat(at.folder.get(), &folder) == 0 &&
        (folder.st_mode & S_ISVTX) != 0 && folder.st_uid != me &&
        ::faccessat(at.folder.get(), ".", W_OK, AT_EACCESS) == 0)
      return OutputRefusal::OthersFile;
    return OutputRefusal::None;
  }

  std::unique_ptr<FolderHold> HoldFolders(const std::vector<std::string>& targets) override {
    return tarnwick::HoldFolders(targets);
  }

  bool CanWrite(const std::string& path) override {
    // Neither creates nor truncates.
    const Place at = Locate(path);
    return at.folder &&
           Descriptor(::openat(at.folder.get(), at.name.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK))
                   .get() >= 0;
  }

  std::unique_ptr<OutputStream> CreateTemporary(const std::string& target,
                                                std::string& tempPath) override {
    const Place at = Locate(target);
    if (!at.folder) return nullptr;
    // A file that replaces another reaches the disk before the move, so that a
    // power failure cannot leave an empty file where good data was. A new
    // file has nothing to lose: skipping the flush there saves about 40 % of
    // a full conversion's time (docs/RELIABILITY.md).
    struct stat st {};
    const bool replaces =
        ::fstatat(at.folder.get(), at.name.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode);
    if (AppendOnlyFolder(at.folder.get())) {
      // A temporary there could be neither moved nor removed. An existing file
      // is written over in place instead; a new one cannot be made safely.
      if (replaces) return nullptr;
      throw FileException(FileCause::AccessDenied, target, FileProblem::AppendOnlyFolder);
    }
    auto stream = own_.CreateUnique(at, FolderPart(target), 0666, replaces, target, tempPath);
    // A folder that takes no new file leaves the copy in place for an existing
    // target; any other refusal (no inode left, no quota) is the run's error.
    const int error = errno;
    if (stream == nullptr && !replaces && error != EACCES && error != EPERM && error != EROFS &&
        error != ENOENT && error != ENOTDIR && error != ENAMETOOLONG && error != EEXIST)
      throw SystemFileError(error, target);
    return stream;
  }

  std::unique_ptr<OutputStream> CreateTemporaryElsewhere(const std::string& target,
                                                         std::string& tempPath) override {
    // Private: the shared temporary folder is open to every user. Its errors
    // name the temporary folder: that, not the target, is what is full or missing.
    const std::string folder = TemporaryFolder();
    const Place at = Locate(folder + NamePart(target));
    errno = at.error;
    auto stream = at.folder ? own_.CreateUnique(at, folder, 0600, false, {}, tempPath) : nullptr;
    if (stream == nullptr) {
      const int error = errno != 0 ? errno : EEXIST;
      throw FileException(CauseFromErrno(error), folder, FileProblem::TemporaryFolderFailed, error);
    }
    return stream;
  }

  std::unique_ptr<OutputStream> OpenInPlace(const std::string& path) override {
    return tarnwick::OpenInPlace(path);
  }

  bool CopyAttributes(const std::string& model, const std::string& path) override {
    // The model as it is now, never through a link put in its place.
    const Place from = Locate(model);
    struct stat want {};
    if (!from.folder ||
        ::fstatat(from.folder.get(), from.name.c_str(), &want, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(want.st_mode))
      return true;
    // Through the temporary's own descriptor: whatever its name means by now,
    // only the file this program made is changed.
    const Place at = Locate(path);
    Descriptor fd(at.folder ? ::openat(at.folder.get(), at.name.c_str(),
                                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)
                            : -1);
    if (!fd || !own_.IsOwn(path, fd.get())) return true;  // the move refuses it
    Descriptor source(::openat(from.folder.get(), from.name.c_str(),
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!source) return ApplyAttributes(want, -1, model, fd.get());
    return ApplyAttributes(want, source.get(), model, fd.get());
  }

  void Preserve(const std::string& path, const std::string& backup) override {
    const Place from = Locate(path);
    const Place to = Locate(backup);
    if (!from.folder || !to.folder)
      throw SystemFileError(from.folder ? to.error : from.error, path);
    if (::linkat(from.folder.get(), from.name.c_str(), to.folder.get(), to.name.c_str(), 0) == 0)
      return;
    // No hard links here: a copy, under a name of its own until it is
    // complete, on the disk and dressed as the original, so that a backup
    // name always means a whole previous file.
    const std::string partial = PartialName(to.name);
    Descriptor in(::openat(from.folder.get(), from.name.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in) throw SystemFileError(errno, path);
    Descriptor out(::openat(to.folder.get(), partial.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out) throw SystemFileError(errno, path);
    int error = CopyContent(in.get(), out.get());
    struct stat st {};
    if (error == 0 && (::fstat(in.get(), &st) != 0 || ::fsync(out.get()) != 0)) error = errno;
    if (error == 0) (void)ApplyAttributes(st, in.get(), path, out.get());
    if (error == 0) error = out.Close();
    if (error == 0 &&
        ::renameat(to.folder.get(), partial.c_str(), to.folder.get(), to.name.c_str()) != 0)
      error = errno;
    if (error == 0) return;
    ::unlinkat(to.folder.get(), partial.c_str(), 0);
    throw SystemFileError(error, path);
  }

  void Replace(const std::string& from, const std::string& to) override {
    const Place source = Locate(from);
    const Place target = Locate(to);
    if (!source.folder || !target.folder) throw SystemFileError(target.error, to);
    // Only a regular file of this program's goes into place, never a link
    // someone put under its name.
    struct stat st {};
    if (::fstatat(source.folder.get(), source.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
      throw SystemFileError(errno, to);
    if (!S_ISREG(st.st_mode) || !own_.IsOwn(from, st))
      throw FileException(FileCause::AccessDenied, to);
    if (::renameat(source.folder.get(), source.name.c_str(), target.folder.get(),
                   target.name.c_str()) != 0)
      throw SystemFileError(errno, to);
    own_.Forget(from);
  }

  void PrepareCopyOver(const std::string& from, const std::string& to) override {
    copies_.Prepare(from, to);
  }

  void CopyOver(const std::string& from, const std::string& to) override {
    copies_.CopyOver(from, to);
  }

  void Remove(const std::string& path) noexcept override {
    const Place at = Locate(path);
    if (at.folder) ::unlinkat(at.folder.get(), at.name.c_str(), 0);
    own_.Forget(path);
  }

  std::string ResolveLinks(const std::string& path) override {
    return tarnwick::ResolveLinks(path);
  }

  std::unique_ptr<CommitLock> LockForCommit(const std::vector<std::string>& targets,
                                            std::chrono::milliseconds wait) override {
    return LockFoldersForCommit(targets, wait);
  }

  std::vector<Leftover> Leftovers(const std::string& target) override {
    return FindLeftovers(target);
  }

 private:
  OwnFiles own_;
  CopyInPlace copies_;
};

}  // namespace

FileSystem& SystemFileSystem() {
  static DiskFileSystem disk;
  return disk;
}

std::unique_ptr<InputStream> OpenStandardInput(const std::string& name) {
  return OpenCatalogueDescriptor(STDIN_FILENO, name);
}

}  // namespace tarnwick
