#include "own_names.h"

#include <algorithm>
#include <cstdio>

namespace tarnwick {

std::string TemporaryName(std::string_view base, std::uint64_t random) {
  char digits[kTemporaryDigits + 1];
  std::snprintf(digits, sizeof digits, "%012llx",
                static_cast<unsigned long long>(random & 0xFFFFFFFFFFFFull));
  std::string name(base);
  name += kTemporaryMark;
  name += digits;
  return name;
}

std::string BackupName(const std::string& orbitTarget, const std::string& infoTarget,
                       const std::string& infoTemporary) {
  return orbitTarget + infoTemporary.substr(infoTarget.size()) + std::string(kBackupMark);
}

std::string InfoTemporaryOfBackup(const std::string& backup, const std::string& orbitTarget,
                                  const std::string& infoTarget) {
  return infoTarget +
         backup.substr(orbitTarget.size(), backup.size() - orbitTarget.size() - kBackupMark.size());
}

std::string PartialName(const std::string& name) { return name + std::string(kPartialMark); }

bool IsOwnName(std::string_view name, std::string_view base) {
  const std::string_view mark = kTemporaryMark;
  if (name.size() < base.size() + mark.size() + kTemporaryDigits ||
      name.substr(0, base.size()) != base || name.substr(base.size(), mark.size()) != mark)
    return false;
  name.remove_prefix(base.size() + mark.size());
  if (!std::all_of(name.begin(), name.begin() + kTemporaryDigits,
                   [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
    return false;
  name.remove_prefix(kTemporaryDigits);
  const std::string backup(kBackupMark);
  if (name.empty() || name == backup || name == backup + std::string(kPartialMark)) return true;
  return name.starts_with(kCopyMark) &&
         name.find_first_not_of("0123456789abcdef-", kCopyMark.size()) == name.npos;
}

std::string CopyMark(std::uint64_t device, std::uint64_t inode) {
  char mark[64];
  std::snprintf(mark, sizeof mark, "%s%llx-%llx-", std::string(kCopyMark).c_str(),
                static_cast<unsigned long long>(device), static_cast<unsigned long long>(inode));
  return mark;
}

std::string CopyState(std::uint64_t size, std::uint64_t seconds, std::uint64_t nanoseconds) {
  char state[64];
  std::snprintf(state, sizeof state, "%llx-%llx-%llx", static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(seconds),
                static_cast<unsigned long long>(nanoseconds));
  return state;
}

std::string UnmarkedName(const std::string& name) {
  const std::size_t mark = name.find(kCopyMark);
  return mark == std::string::npos ? std::string() : name.substr(0, mark);
}

}  // namespace tarnwick
