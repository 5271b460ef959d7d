#include "selection.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "asteroid_record.h"
#include "catalogue_columns.h"

namespace tarnwick {
namespace {

constexpr std::array<std::string_view, kOrbitClassCount> kClassNames = {
    "atira", "aten",   "apollo",  "amor", "mars-crosser", "hungaria",
    "hilda", "trojan", "distant", "neo",  "pha"};

// The catalogue's orbit-type code (flags AND 0x3F) of each type class.
constexpr std::array<unsigned, 9> kTypeCodes = {1, 2, 3, 4, 5, 6, 8, 9, 10};

constexpr unsigned kTypeMask = 0x3F;
constexpr unsigned kNeoBit = 0x0800;
constexpr unsigned kPhaBit = 0x8000;

constexpr std::uint32_t Bit(OrbitClass orbitClass) noexcept {
  return std::uint32_t{1} << static_cast<unsigned>(orbitClass);
}

/// The class bits of each orbit-type code, NEO included for types 1 to 4.
constexpr std::array<std::uint32_t, kTypeMask + 1> kTypeClasses = [] {
  std::array<std::uint32_t, kTypeMask + 1> table{};
  for (std::size_t c = 0; c < kTypeCodes.size(); ++c) {
    table[kTypeCodes[c]] = std::uint32_t{1} << c;
  }
  for (unsigned type = 1; type <= 4; ++type) table[type] |= Bit(OrbitClass::Neo);
  return table;
}();

/// The class bits (as in Selection::classes) that a flags value satisfies:
/// near-Earth by the bit, or by an Atira to Amor orbit where the bit is missing.
std::uint32_t ClassesOf(unsigned flags) noexcept {
  std::uint32_t classes = kTypeClasses[flags & kTypeMask];
  if ((flags & kNeoBit) != 0) classes |= Bit(OrbitClass::Neo);
  if ((flags & kPhaBit) != 0) classes |= Bit(OrbitClass::Pha);
  return classes;
}

std::string Shortest(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

bool ReadDouble(std::string_view text, double& value) noexcept {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc{} && result.ptr == text.data() + text.size() &&
         std::isfinite(value);
}

}  // namespace

std::string_view OrbitClassName(OrbitClass orbitClass) noexcept {
  return kClassNames[static_cast<std::size_t>(orbitClass)];
}

std::optional<OrbitClass> OrbitClassNamed(std::string_view name) noexcept {
  for (std::size_t i = 0; i < kClassNames.size(); ++i) {
    if (kClassNames[i] == name) return static_cast<OrbitClass>(i);
  }
  return std::nullopt;
}

std::optional<std::uint32_t> ParseOrbitClassList(std::string_view list) noexcept {
  std::uint32_t classes = 0;
  for (;;) {
    const std::size_t comma = list.find(',');
    const auto orbitClass = OrbitClassNamed(list.substr(0, comma));
    if (!orbitClass) return std::nullopt;
    classes |= Bit(*orbitClass);
    if (comma == std::string_view::npos) return classes;
    list.remove_prefix(comma + 1);
  }
}

bool InOrbitClass(unsigned flags, OrbitClass orbitClass) noexcept {
  return (ClassesOf(flags) & Bit(orbitClass)) != 0;
}

std::string SelectionKey(const Selection& selection) {
  std::string key;
  const auto rule = [&key](std::string_view name, const std::string& value) {
    if (!key.empty()) key += ' ';
    key += name;
    key += '=';
    key += value;
  };
  if (selection.maxH) rule("max-h", Shortest(*selection.maxH));
  if (selection.brighterThan) rule("brighter-than", Shortest(*selection.brighterThan));
  if (selection.classes != 0) {
    std::string names;
    for (int c = 0; c < kOrbitClassCount; ++c) {
      if (!selection.Has(static_cast<OrbitClass>(c))) continue;
      if (!names.empty()) names += ',';
      names += kClassNames[static_cast<std::size_t>(c)];
    }
    rule("class", names);
  }
  if (selection.numberedOnly) rule("numbered", "1");
  if (selection.first != 0) rule("first", std::to_string(selection.first));
  return key;
}

std::optional<Selection> ParseSelectionKey(std::string_view key) {
  Selection selection;
  while (!key.empty()) {
    const std::size_t space = key.find(' ');
    const std::string_view rule = key.substr(0, space);
    key = space == std::string_view::npos ? std::string_view{} : key.substr(space + 1);
    const std::size_t equals = rule.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view name = rule.substr(0, equals);
    const std::string_view value = rule.substr(equals + 1);
    double number = 0;
    if (name == "max-h" && ReadDouble(value, number)) {
      selection.maxH = number;
    } else if (name == "brighter-than" && ReadDouble(value, number)) {
      selection.brighterThan = number;
    } else if (name == "class" && ParseOrbitClassList(value)) {
      selection.classes = *ParseOrbitClassList(value);
    } else if (name == "numbered" && value == "1") {
      selection.numberedOnly = true;
    } else if (name == "first") {
      const auto result =
          std::from_chars(value.data(), value.data() + value.size(), selection.first);
      if (result.ec != std::errc{} || result.ptr != value.data() + value.size() ||
          selection.first == 0) {
        return std::nullopt;
      }
    } else {
      return std::nullopt;
    }
  }
  return selection;
}

ObjectChooser::ObjectChooser(const Selection& selection) noexcept : selection_(selection) {
  if (selection.maxH) {
    // H <= MAG on the record's H x 100 (truncated, as Lumivale reads it): at
    // most MAG x 100 rounded down; the small allowance keeps 15.29 x 100
    // (1528.999...) at 1529.
    const double limit = std::floor(*selection.maxH * 100.0 + 1e-6);
    maxHundredths_ = static_cast<std::int32_t>(std::clamp(limit, -40000.0, 40000.0));
  }
}

bool ObjectChooser::Takes(std::string_view orbitLine) noexcept {
  if (selection_.first != 0 && taken_ >= selection_.first) return false;
  if (!Passes(orbitLine)) return false;
  ++taken_;
  return true;
}

bool ObjectChooser::Passes(std::string_view line) const noexcept {
  // The cheapest tests first: a line left out costs less than a record.
  if (selection_.numberedOnly && DecodeObjectNumber(line) == 0) return false;
  if (selection_.classes != 0) {
    unsigned flags = 0;
    if (!CatalogueFlagsOf(line, flags) || (ClassesOf(flags) & selection_.classes) == 0) {
      return false;
    }
  }
  if (!selection_.maxH && !selection_.brighterThan) return true;
  std::int16_t hundredths = 0;
  if (!MagnitudeHundredthsOf(line, hundredths)) return false;  // no H: no brightness
  if (selection_.maxH && hundredths > maxHundredths_) return false;
  if (!selection_.brighterThan) return true;

  // The brightest the object can appear, at an opposition in its perihelion:
  // the asteroid magnitude V = H + 5 log10(r * delta) + phase term, with r
  // the distance to the Sun and delta the distance to Earth in AU (the IAU
  // H, G system: Bowell et al., "Application of photometric models to
  // asteroids", Asteroids II, 1989, pp. 524-556), taken at r = q and
  // delta = q - 1, phase angle 0 (no phase term). At q <= 1 AU the object
  // can come arbitrarily close to Earth: no limit.
  const double q = PerihelionDistanceOf(line);
  if (q <= 1.0) return true;
  const double h = hundredths / 100.0;
  return h + 5.0 * std::log10(q * (q - 1.0)) <= *selection_.brighterThan;
}

}  // namespace tarnwick
