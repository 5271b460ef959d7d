// The profile store that keeps the two directories between runs.
#pragma once

#include <QString>

#include "settings.h"

class QSettings;

namespace tarnwick {

/// Company name under which the profile store keeps the program's entries.
inline constexpr char kProfileCompany[] = "Quenneth";

/// Fills `settings` from the profile store of the running program (company
/// kProfileCompany, the application name as application word, group
/// "Settings"); see LoadSettingsFrom.
void LoadSettings(CSettings& settings);

/// Writes both directories to that profile store, whatever they hold.
/// Failures are ignored.
void SaveSettings(const CSettings& settings);

/// The loading rules on a given store and executable path: "Path In" and
/// "Path Out" are read (missing entries read as empty). When "Path In" is
/// empty and `executablePath` is not, both directories become the
/// executable's directory (ExecutableDirectory), replacing what was read for
/// "Path Out", when that directory holds a catalogue (MPCORB.DAT, .DAT.gz or
/// .ZIP) and can be written -- otherwise (an installed program in /usr/bin
/// or ~/.local/bin) the user's download folder, or the home folder when
/// there is none.
void LoadSettingsFrom(CSettings& settings, QSettings& store, const QString& executablePath);

/// Writes "Path In" and "Path Out" under "Settings", empty ones as empty
/// strings, and flushes the store.
void SaveSettingsTo(const CSettings& settings, QSettings& store);

/// The directory part of an executable's path: everything before the last
/// directory separator, which is dropped; the whole path when it has none.
/// The separators are "/" and, on Windows, "\" as well.
QString ExecutableDirectory(const QString& executablePath);

/// The application word: the executable's file name without directory and
/// without its last extension ("Tarnwick.EXE" gives "Tarnwick").
QString ApplicationWord(const QString& executablePath);

}  // namespace tarnwick
