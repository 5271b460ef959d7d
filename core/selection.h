// Which objects of the catalogue a conversion writes: limits on brightness,
// orbit classes, numbered objects only, the first N.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

/// An orbit class that the catalogue's flags field tells. The first nine are
/// orbit types (the low six bits), the last two flag bits.
enum class OrbitClass : std::uint8_t {
  Atira,        ///< type 1
  Aten,         ///< type 2
  Apollo,       ///< type 3
  Amor,         ///< type 4
  MarsCrosser,  ///< type 5
  Hungaria,     ///< type 6
  Hilda,        ///< type 8
  Trojan,       ///< type 9
  Distant,      ///< type 10
  Neo,          ///< bit 0x0800, or types 1 to 4
  Pha,          ///< bit 0x8000
};
inline constexpr int kOrbitClassCount = 11;

/// The class's name on the command line and in the settings: "atira", "aten",
/// "apollo", "amor", "mars-crosser", "hungaria", "hilda", "trojan",
/// "distant", "neo", "pha".
std::string_view OrbitClassName(OrbitClass orbitClass) noexcept;

/// The class of that name (exactly as OrbitClassName gives it).
std::optional<OrbitClass> OrbitClassNamed(std::string_view name) noexcept;

/// The classes of a comma-separated list of class names, one bit per
/// OrbitClass as in Selection::classes; nothing when a name is unknown or
/// empty.
std::optional<std::uint32_t> ParseOrbitClassList(std::string_view list) noexcept;

/// Whether a catalogue flags value `flags` (four hexadecimal digits) puts the
/// object into `orbitClass`.
bool InOrbitClass(unsigned flags, OrbitClass orbitClass) noexcept;

/// The rules an object must pass to be written; a default one writes every
/// orbit line.
struct Selection {
  /// H at most this (`--max-h`).
  std::optional<double> maxH;
  /// Can ever be this bright or brighter at opposition (`--brighter-than`).
  std::optional<double> brighterThan;
  /// In any of these classes (one bit per OrbitClass); 0 means any class.
  std::uint32_t classes = 0;
  /// Only objects with a number (`--numbered`).
  bool numberedOnly = false;
  /// At most this many objects that pass the other rules; 0 means no limit.
  std::uint64_t first = 0;

  /// Whether any rule is set.
  bool Any() const noexcept {
    return maxH || brighterThan || classes != 0 || numberedOnly || first != 0;
  }
  /// Adds a class to `classes`.
  void Add(OrbitClass orbitClass) noexcept {
    classes |= std::uint32_t{1} << static_cast<unsigned>(orbitClass);
  }
  bool Has(OrbitClass orbitClass) const noexcept {
    return (classes >> static_cast<unsigned>(orbitClass) & 1u) != 0;
  }
  bool operator==(const Selection&) const = default;
};

/// The selection in one line of plain ASCII that changes with every rule
/// and reads back with ParseSelectionKey: "" for none, else rules such as
/// "max-h=15 class=neo,pha first=100" (classes in the order of OrbitClass,
/// magnitudes as the shortest text that reads back exactly). For stored
/// state, not for the user.
std::string SelectionKey(const Selection& selection);

/// The selection a SelectionKey gave; nothing for any other text.
std::optional<Selection> ParseSelectionKey(std::string_view key);

/// Decides line by line whether an object is written. It counts the objects
/// taken, for `first`.
class ObjectChooser {
 public:
  explicit ObjectChooser(const Selection& selection) noexcept;

  /// Whether the object of `orbitLine` (a line that passed IsOrbitLine) is
  /// written; true counts it as taken.
  bool Takes(std::string_view orbitLine) noexcept;

 private:
  bool Passes(std::string_view orbitLine) const noexcept;

  Selection selection_;
  std::int32_t maxHundredths_ = 0;  // maxH as the record's H x 100
  std::uint64_t taken_ = 0;
};

}  // namespace tarnwick
