#include "asteroid_info.h"

#include <cstring>

#include "catalogue_line.h"

namespace tarnwick {
namespace {

static_assert(11 + 10 + 5 + 8 + 11 == kAsteroidInfoRecordSize);

// Copies the text of Mid(pos, length) with its terminating zero to the start of
// `field`, then clears trailing blanks backwards from the last position the
// full-length text would occupy. A text cut short by the end of the line or by
// a zero byte has a zero there already, so its trailing blanks stay.
template <std::size_t N>
void CopyField(std::string_view line, std::size_t pos, std::size_t length, std::array<char, N>& field) noexcept {
  static_assert(N >= 2);
  const std::string_view text = line::Text(line::Mid(line, pos, length));
  // An empty piece may have no data at all: memcpy must not see its null pointer.
  if (!text.empty()) std::memcpy(field.data(), text.data(), text.size());
  field[text.size()] = '\0';
  for (std::size_t i = length; i-- > 0;) {
    if (field[i] != ' ') break;
    field[i] = '\0';
  }
}

}  // namespace

bool BuildAsteroidInfo(std::string_view line, AsteroidInfoRecord& info) noexcept {
  info = AsteroidInfoRecord{};
  CopyField(line, 107, 10, info.reference);
  CopyField(line, 127, 9, info.arcText);
  CopyField(line, 137, 4, info.rmsText);
  CopyField(line, 142, 3, info.perturbers);
  CopyField(line, 150, 10, info.computer);
  return true;
}

void EncodeAsteroidInfo(const AsteroidInfoRecord& info, AsteroidInfoRecordBytes& out) noexcept {
  std::uint8_t* p = out.data();
  for (const auto& [data, size] : {std::pair{info.reference.data(), info.reference.size()},
                                   std::pair{info.arcText.data(), info.arcText.size()},
                                   std::pair{info.rmsText.data(), info.rmsText.size()},
                                   std::pair{info.perturbers.data(), info.perturbers.size()},
                                   std::pair{info.computer.data(), info.computer.size()}}) {
    std::memcpy(p, data, size);
    p += size;
  }
}

AsteroidInfoRecord DecodeAsteroidInfo(const std::uint8_t* in) noexcept {
  AsteroidInfoRecord info;
  for (const auto& [data, size] : {std::pair{info.reference.data(), info.reference.size()},
                                   std::pair{info.arcText.data(), info.arcText.size()},
                                   std::pair{info.rmsText.data(), info.rmsText.size()},
                                   std::pair{info.perturbers.data(), info.perturbers.size()},
                                   std::pair{info.computer.data(), info.computer.size()}}) {
    std::memcpy(data, in, size);
    in += size;
  }
  return info;
}

}  // namespace tarnwick
