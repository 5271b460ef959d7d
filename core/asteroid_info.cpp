#include "asteroid_info.h"

#include <cstring>
#include <tuple>
#include <type_traits>

#include "catalogue_columns.h"
#include "catalogue_line.h"
#include "number_scan.h"

namespace tarnwick {
namespace {

static_assert(11 + 10 + 5 + 8 + 11 == kAsteroidInfoRecordSize);

// Copies the text of Mid(Pos, Length) with its terminating zero to the start
// of `field`, then clears trailing blanks backwards from the last position the
// full-length text would occupy. A text cut short by the end of the line or by
// a zero byte has a zero there already, so its trailing blanks stay. `whole`
// says that every field lies inside the line and holds no zero byte, so the
// text is exactly Length bytes.
template <const column::Field& Source, std::size_t N>
void CopyField(std::string_view line, bool whole, std::array<char, N>& field) noexcept {
  constexpr std::size_t Length = Source.width;
  static_assert(Length < N);
  std::size_t copied = Length;
  if (whole) {
    std::memcpy(field.data(), line.data() + Source.pos, Length);
  } else {
    copied = line::CopyText(line, Source.pos, Length, field.data());
  }
  field[copied] = '\0';
  for (std::size_t i = Length; i-- > 0;) {
    if (field[i] != ' ') break;
    field[i] = '\0';
  }
}

// The summary's texts lie between these columns, in this order.
constexpr std::size_t kFirstColumn = column::kReference.pos;
constexpr std::size_t kEndColumn = column::kComputer.end();
static_assert(kFirstColumn < column::kArc.pos && column::kPerturbers.end() < column::kComputer.pos);

/// Whether the texts' columns, from `first` on, hold a zero byte: eight bytes
/// at a time, the last word overlapping the one before.
bool HasZeroByte(const char* first) noexcept {
  static_assert(kEndColumn - kFirstColumn >= 8);
  std::uint64_t zeros = 0;
  const auto test = [&](const char* p) {
    const std::uint64_t word = swar::LoadWord(p);
    zeros |= (word - swar::kOnes) & ~word & swar::kHighBits;
  };
  for (std::size_t i = 0; i + 8 <= kEndColumn - kFirstColumn; i += 8) test(first + i);
  test(first + (kEndColumn - kFirstColumn) - 8);
  return zeros != 0;
}

/// CopyField for a whole line, straight into the next N bytes at `out`: the
/// text, zeros after it, and its trailing blanks (as the line has them) zero.
template <const column::Field& Source, std::size_t N>
std::uint8_t* PutField(const char* line, std::uint8_t* out) noexcept {
  constexpr std::size_t Length = Source.width;
  static_assert(Length < N);
  std::memcpy(out, line + Source.pos, Length);
  std::memset(out + Length, 0, N - Length);
  for (std::size_t i = Length; i-- > 0 && line[Source.pos + i] == ' ';) out[i] = 0;
  return out + N;
}

/// The size of a text field of the record.
template <auto Member>
constexpr std::size_t kSize =
    std::tuple_size_v<std::remove_cvref_t<decltype(AsteroidInfoRecord{}.*Member)>>;

}  // namespace

void WriteAsteroidInfo(std::string_view line,
                       std::span<std::uint8_t, kAsteroidInfoRecordSize> out) noexcept {
  if (line.size() < kEndColumn || HasZeroByte(line.data() + kFirstColumn)) {
    AsteroidInfoRecord info;
    BuildAsteroidInfo(line, info);
    EncodeAsteroidInfo(info, out);
    return;
  }
  const char* text = line.data();
  std::uint8_t* p = out.data();
  p = PutField<column::kReference, kSize<&AsteroidInfoRecord::reference>>(text, p);
  p = PutField<column::kArc, kSize<&AsteroidInfoRecord::arcText>>(text, p);
  p = PutField<column::kRms, kSize<&AsteroidInfoRecord::rmsText>>(text, p);
  p = PutField<column::kPerturbers, kSize<&AsteroidInfoRecord::perturbers>>(text, p);
  PutField<column::kComputer, kSize<&AsteroidInfoRecord::computer>>(text, p);
}

bool BuildAsteroidInfo(std::string_view line, AsteroidInfoRecord& info) noexcept {
  info = AsteroidInfoRecord{};
  const bool whole = line.size() >= kEndColumn && !HasZeroByte(line.data() + kFirstColumn);
  CopyField<column::kReference>(line, whole, info.reference);
  CopyField<column::kArc>(line, whole, info.arcText);
  CopyField<column::kRms>(line, whole, info.rmsText);
  CopyField<column::kPerturbers>(line, whole, info.perturbers);
  CopyField<column::kComputer>(line, whole, info.computer);
  return true;
}

namespace {

/// Calls `visit(data, size)` for each text field in file order.
template <typename Info, typename Visit>
void ForEachField(Info& info, Visit visit) noexcept {
  visit(info.reference.data(), info.reference.size());
  visit(info.arcText.data(), info.arcText.size());
  visit(info.rmsText.data(), info.rmsText.size());
  visit(info.perturbers.data(), info.perturbers.size());
  visit(info.computer.data(), info.computer.size());
}

}  // namespace

void EncodeAsteroidInfo(const AsteroidInfoRecord& info,
                        std::span<std::uint8_t, kAsteroidInfoRecordSize> out) noexcept {
  std::uint8_t* p = out.data();
  ForEachField(info, [&p](const char* data, std::size_t size) {
    std::memcpy(p, data, size);
    p += size;
  });
}

AsteroidInfoRecord DecodeAsteroidInfo(
    std::span<const std::uint8_t, kAsteroidInfoRecordSize> bytes) noexcept {
  const std::uint8_t* in = bytes.data();
  AsteroidInfoRecord info;
  ForEachField(info, [&in](char* data, std::size_t size) {
    std::memcpy(data, in, size);
    in += size;
  });
  return info;
}

}  // namespace tarnwick
