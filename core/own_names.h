// The names this program gives its own files beside a target, as pure string
// rules: the platform makes and finds the files, the conversion run reads
// what a killed run left from their names.
//
//   TARGET.tarnwick-XXXXXXXXXXXX                      a temporary (12 lowercase hex digits)
//   TARGET.tarnwick-XXXXXXXXXXXX.previous             the previous orbit file during a commit
//   TARGET.tarnwick-XXXXXXXXXXXX.previous.partial     that backup while it is still copied
//   NAME.tarnwick-XXXXXXXXXXXX.over-DEV-INO-STATE     a complete copy about to be written over
//                                                     the file DEV/INO in place
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

/// Between a target's name and the random digits of a temporary.
inline constexpr std::string_view kTemporaryMark = ".tarnwick-";
/// How many hex digits follow the mark.
inline constexpr std::size_t kTemporaryDigits = 12;
/// Ends the name of a backup of the previous orbit file.
inline constexpr std::string_view kBackupMark = ".previous";
/// Ends the name of a copy that is not complete yet.
inline constexpr std::string_view kPartialMark = ".partial";
/// Begins the second name of a complete copy about to be written over a file in place.
inline constexpr std::string_view kCopyMark = ".over-";
/// Own files of this age were left by a killed run, not made by a running one.
inline constexpr std::int64_t kStaleSeconds = std::int64_t{24} * 60 * 60;

/// `base` + ".tarnwick-" + the low 48 bits of `random` as 12 lowercase hex digits.
std::string TemporaryName(std::string_view base, std::uint64_t random);

/// The name under which the previous orbit file is kept while a pair is
/// replaced: the orbit target with the summary temporary's suffix. As long as
/// that summary temporary exists, the summary target was not yet replaced.
std::string BackupName(const std::string& orbitTarget, const std::string& infoTarget,
                       const std::string& infoTemporary);

/// The summary temporary that the backup `backup` (of BackupName) waits for.
std::string InfoTemporaryOfBackup(const std::string& backup, const std::string& orbitTarget,
                                  const std::string& infoTarget);

/// The name a copy of `name` has while it is written.
std::string PartialName(const std::string& name);

/// Whether `name` is exactly one of this program's own names for `base`.
bool IsOwnName(std::string_view name, std::string_view base);

/// The mark of a complete copy waiting to be written over the file with this
/// device and inode: ".over-DEV-INO-" ...
std::string CopyMark(std::uint64_t device, std::uint64_t inode);

/// ... followed by that file's size and time of change, as long as no copy
/// has touched it.
std::string CopyState(std::uint64_t size, std::uint64_t seconds, std::uint64_t nanoseconds);

/// For a marked copy, the name it had before it was marked; empty for any other name.
std::string UnmarkedName(const std::string& name);

}  // namespace tarnwick
