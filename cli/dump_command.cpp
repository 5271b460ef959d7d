// tarnwick-cli dump: the records of Asteroids4.dat or AsteroidInfo4.dat as CSV.

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string_view>
#include <utility>
#include <vector>

#include "absolute_path.h"
#include "asteroid_info.h"
#include "asteroid_record.h"
#include "catalogue_line.h"
#include "commands.h"
#include "messages.h"

namespace tarnwick::cli {
namespace {

constexpr std::size_t kRecordsPerRead = 4096;

constexpr std::string_view kOrbitHeader =
    "number,name,epoch,meanAnomaly,semiMajorAxis,perihelionDistance,meanMotion,eccentricity,"
    "argPerihelion,ascendingNode,inclination,magnitudeH,slopeG,flags,uncertainty,lastObsYear,"
    "lastObsMonth,lastObsDay,observations,oppositions,arc";
constexpr std::string_view kInfoHeader = "reference,arcText,rmsText,perturbers,computer";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return line::EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

void AppendReal(std::string& row, double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  row.append(buffer, result.ptr);
}

template <typename Integer>
void AppendInteger(std::string& row, Integer value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  row.append(buffer, result.ptr);
}

void AppendHex16(std::string& row, std::uint16_t value) {
  static constexpr std::string_view kHex = "0123456789ABCDEF";
  row += "0x";
  for (int shift = 12; shift >= 0; shift -= 4) row += kHex[(value >> shift) & 0xF];
}

/// A text field as stored: up to its zero byte, quoted as CSV needs it
/// (separators, quotes, line breaks, and blanks at either end, which some
/// readers would otherwise trim).
template <std::size_t N>
void AppendText(std::string& row, const std::array<char, N>& field) {
  const auto* zero = std::find(field.begin(), field.end(), '\0');
  const std::string_view text(field.data(), static_cast<std::size_t>(zero - field.begin()));
  const bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                     (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quote) {
    row.append(text);
    return;
  }
  row += '"';
  for (char c : text) {
    if (c == '"') row += '"';
    row += c;
  }
  row += '"';
}

void AppendOrbitRow(std::string& rows, const std::uint8_t* bytes) {
  const AsteroidRecord r = DecodeAsteroidRecord(
      std::span<const std::uint8_t, kAsteroidRecordSize>(bytes, kAsteroidRecordSize));
  AppendInteger(rows, r.number);
  rows += ',';
  AppendText(rows, r.name);
  for (double value : {r.epoch, r.meanAnomaly, r.semiMajorAxis, r.perihelionDistance, r.meanMotion,
                       r.eccentricity, r.argPerihelion, r.ascendingNode, r.inclination}) {
    rows += ',';
    AppendReal(rows, value);
  }
  rows += ',';
  AppendInteger(rows, r.magnitudeH);
  rows += ',';
  AppendInteger(rows, r.slopeG);
  rows += ',';
  AppendHex16(rows, r.flags);
  for (unsigned value : {unsigned{r.uncertainty}, unsigned{r.lastObsYear}, unsigned{r.lastObsMonth},
                         unsigned{r.lastObsDay}}) {
    rows += ',';
    AppendInteger(rows, value);
  }
  rows += ',';
  AppendInteger(rows, r.observations);
  rows += ',';
  AppendInteger(rows, unsigned{r.oppositions});
  rows += ',';
  AppendInteger(rows, unsigned{r.arc});
  rows += '\n';
}

void AppendInfoRow(std::string& rows, const std::uint8_t* bytes) {
  const AsteroidInfoRecord r = DecodeAsteroidInfo(
      std::span<const std::uint8_t, kAsteroidInfoRecordSize>(bytes, kAsteroidInfoRecordSize));
  AppendText(rows, r.reference);
  rows += ',';
  AppendText(rows, r.arcText);
  rows += ',';
  AppendText(rows, r.rmsText);
  rows += ',';
  AppendText(rows, r.perturbers);
  rows += ',';
  AppendText(rows, r.computer);
  rows += '\n';
}

/// The counts of `dump --summary`: per orbit class and per band of H.
class OrbitTally {
 public:
  void Add(const std::uint8_t* bytes) {
    const AsteroidRecord r = DecodeAsteroidRecord(
        std::span<const std::uint8_t, kAsteroidRecordSize>(bytes, kAsteroidRecordSize));
    ++records_;
    // The record keeps one bit per orbit type; Atiras, Mars-crossers and
    // Hungarias share the bit of every other type.
    for (std::size_t i = 0; i < kTypeBits.size(); ++i) {
      if ((r.flags & kTypeBits[i].bit) != 0) ++types_[i];
    }
    if ((r.flags & (kNeoBit | kNeoTypes)) != 0) ++neo_;
    if ((r.flags & kPhaBit) != 0) ++pha_;
    // No catalogued asteroid has H below 1: a record below holds the G that
    // a blank H column read on into.
    const int h = r.magnitudeH;
    ++bands_[h < 100 ? 4 : h <= 1000 ? 0 : h <= 1500 ? 1 : h <= 2000 ? 2 : 3];
  }

  void Print(const std::string& path, std::string& text) const {
    using Rows = std::vector<std::pair<std::string, std::uint64_t>>;
    Rows classes;
    for (std::size_t i = 0; i < kTypeBits.size(); ++i) {
      classes.emplace_back(kTypeBits[i].name.empty() ? Say(Message::SummaryOtherClass)
                                                     : std::string(kTypeBits[i].name),
                           types_[i]);
    }
    classes.emplace_back("neo", neo_);
    classes.emplace_back("pha", pha_);
    const Rows bands = {{"≤ 10", bands_[0]},
                        {"10 – 15", bands_[1]},
                        {"15 – 20", bands_[2]},
                        {"> 20", bands_[3]},
                        {Say(Message::SummaryNoH), bands_[4]}};
    // One column for the counts, right-aligned after the longest label.
    std::size_t labels = 0;
    std::size_t digits = 0;
    for (const Rows* rows : {&std::as_const(classes), &bands}) {
      for (const auto& [label, count] : *rows) {
        labels = std::max(labels, Width(label));
        digits = std::max(digits, std::to_string(count).size());
      }
    }
    const auto section = [&](Message title, const Rows& rows) {
      text += Say(title) + "\n";
      for (const auto& [label, count] : rows) {
        const std::string number = std::to_string(count);
        text += "  " + label;
        text.append(labels - Width(label) + 2 + digits - number.size(), ' ');
        text += number + '\n';
      }
    };
    text += Say(Message::SummaryTitle, {path, std::to_string(records_)}) + "\n";
    section(Message::SummaryClasses, classes);
    section(Message::SummaryBands, bands);
  }

 private:
  struct TypeBit {
    std::uint16_t bit;
    std::string_view name;  // empty: the bit of all other types
  };
  static constexpr std::array<TypeBit, 7> kTypeBits = {{{0x0001, "aten"},
                                                        {0x0002, "apollo"},
                                                        {0x0004, "amor"},
                                                        {0x0008, "hilda"},
                                                        {0x0010, "trojan"},
                                                        {0x0020, "distant"},
                                                        {0x07C0, ""}}};
  static constexpr std::uint16_t kNeoBit = 0x0800;
  static constexpr std::uint16_t kNeoTypes = 0x0007;  // Aten, Apollo, Amor
  static constexpr std::uint16_t kPhaBit = 0x8000;

  /// Characters on the screen: UTF-8 continuation bytes take no column.
  static std::size_t Width(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
  }

  std::uint64_t records_ = 0;
  std::array<std::uint64_t, kTypeBits.size()> types_{};
  std::uint64_t neo_ = 0;
  std::uint64_t pha_ = 0;
  std::array<std::uint64_t, 5> bands_{};
};

struct FileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

std::string NotWholeText(const std::string& path, std::uintmax_t size, std::size_t recordSize,
                         Message kind) {
  return kProgramPrefix +
         Say(Message::DumpNotWhole,
             {path, std::to_string(size), std::to_string(recordSize), Say(kind),
              std::to_string(size / recordSize), std::to_string(size % recordSize)});
}

/// Reports that the CSV could not be written (a full disk, a closed standard
/// output, a reader that went away), with the system's reason where the
/// stream failed in a system call.
Outcome WriteFailed(const std::string& path, int error, std::ostream& err) {
  const std::string reason = error != 0 ? WithReason("", error) : std::string();
  err << kProgramPrefix << Say(Message::DumpCannotWrite, {path, reason}) << '\n';
  return Outcome::FileError;
}

}  // namespace

Outcome RunDump(const DumpOptions& options, std::ostream& out, std::ostream& err) {
  const std::string path = AbsolutePath(options.file);  // what messages name
  DumpKind kind = options.kind;
  if (kind == DumpKind::FromName) {
    const std::string name = std::filesystem::path(options.file).filename().string();
    if (StartsWithNoCase(name, "AsteroidInfo")) {
      kind = DumpKind::Info;
    } else if (StartsWithNoCase(name, "Asteroids")) {
      kind = DumpKind::Orbits;
    } else {
      err << kProgramPrefix << Say(Message::DumpKindUnknown, {path}) << '\n';
      return Outcome::UsageError;
    }
  }
  if (options.summary && kind != DumpKind::Orbits) {
    err << kProgramPrefix << Say(Message::SummaryNeedsOrbits, {path}) << '\n';
    return Outcome::UsageError;
  }
  const bool orbits = kind == DumpKind::Orbits;
  const std::size_t recordSize = orbits ? kAsteroidRecordSize : kAsteroidInfoRecordSize;
  const Message what = orbits ? Message::DumpOrbitRecords : Message::DumpSummaryRecords;

  std::error_code error;
  if (std::filesystem::is_directory(options.file, error)) {
    err << kProgramPrefix << WithReason(Say(Message::OpenFailed, {path}), EISDIR) << '\n';
    return Outcome::CannotOpen;
  }
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(options.file.c_str(), "rb"));
  if (file == nullptr) {
    err << kProgramPrefix << WithReason(Say(Message::OpenFailed, {path}), errno) << '\n';
    return Outcome::CannotOpen;
  }
  // A regular file is checked before anything is printed; a pipe at its end.
  const std::uintmax_t size = std::filesystem::file_size(options.file, error);
  if (!error && size % recordSize != 0) {
    err << NotWholeText(path, size, recordSize, what) << '\n';
    return Outcome::FileError;
  }

  if (!options.summary) out << (orbits ? kOrbitHeader : kInfoHeader) << '\n';
  OrbitTally tally;
  std::vector<std::uint8_t> block(recordSize * kRecordsPerRead);
  std::string rows;
  std::size_t pending = 0;  // bytes of an incomplete record at the start of block
  std::uintmax_t total = 0;
  for (;;) {
    errno = 0;
    const std::size_t got =
        std::fread(block.data() + pending, 1, block.size() - pending, file.get());
    // The reason is taken at once: writing the rows below may change errno.
    if (std::ferror(file.get()) != 0) {
      err << kProgramPrefix
          << WithReason(Say(Message::DumpCannotRead, {path}), errno != 0 ? errno : EIO) << '\n';
      return Outcome::FileError;
    }
    total += got;
    const std::size_t available = pending + got;
    const std::size_t whole = available / recordSize * recordSize;
    rows.clear();
    for (std::size_t at = 0; at < whole; at += recordSize) {
      if (options.summary) {
        tally.Add(block.data() + at);
      } else if (orbits) {
        AppendOrbitRow(rows, block.data() + at);
      } else {
        AppendInfoRow(rows, block.data() + at);
      }
    }
    errno = 0;  // a failed write leaves its reason here
    out << rows;
    if (!out) return WriteFailed(path, errno, err);
    pending = available - whole;
    std::memmove(block.data(), block.data() + whole, pending);
    if (got == 0) break;
  }
  if (pending != 0) {
    err << NotWholeText(path, total, recordSize, what) << '\n';
    return Outcome::FileError;
  }
  if (options.summary) {
    rows.clear();
    tally.Print(AbsolutePath(options.file), rows);
    out << rows;
  }
  errno = 0;
  out.flush();
  if (!out) return WriteFailed(path, errno, err);
  return Outcome::Done;
}

}  // namespace tarnwick::cli
