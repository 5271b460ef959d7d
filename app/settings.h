// The two directories the program remembers between runs, and the profile
// store they live in.
#pragma once

#include <QString>

class QSettings;

namespace tarnwick {

/// Company name under which the profile store keeps the program's entries.
inline constexpr char kProfileCompany[] = "Quenneth";

/// The directories of a run: where MPCORB.DAT is looked for and where the two
/// output files go. As a rule without a trailing separator; a root directory
/// chosen in the folder chooser keeps it.
class CSettings {
 public:
  QString PathIn;
  QString PathOut;

  /// Fills both directories from the profile store of the running program
  /// (company kProfileCompany, the application name as application word,
  /// group "Settings"); see LoadFrom.
  void Load();

  /// Writes both directories to that profile store, whatever they hold.
  /// Failures are ignored.
  void Save() const;

  /// Load's rules on a given store and executable path: "Path In" and
  /// "Path Out" are read (missing entries read as empty); when "Path In" is
  /// empty and `executablePath` is not, both directories become the
  /// executable's directory (ExecutableDirectory), replacing what was read
  /// for "Path Out".
  void LoadFrom(QSettings& store, const QString& executablePath);

  /// Writes "Path In" and "Path Out" under "Settings", empty ones as empty
  /// strings, and flushes the store.
  void SaveTo(QSettings& store) const;
};

/// The one instance, alive for the whole run of the program.
extern CSettings theSettings;

/// The directory part of an executable's path: everything before the last
/// directory separator, which is dropped; the whole path when it has none.
/// The separators are "/" and, on Windows, "\" as well.
QString ExecutableDirectory(const QString& executablePath);

/// The application word: the executable's file name without directory and
/// without its last extension ("Tarnwick.EXE" gives "Tarnwick").
QString ApplicationWord(const QString& executablePath);

}  // namespace tarnwick
