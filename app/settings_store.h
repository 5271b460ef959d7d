// The profile store that keeps the two directories between runs.
#pragma once

#include <QSettings>
#include <QString>

#include "settings.h"

namespace tarnwick {

/// Company name under which the profile store keeps the program's entries.
inline constexpr char kProfileCompany[] = "Quenneth";

/// The profile store of the running program: company kProfileCompany, the
/// application name (set at start-up from the executable's name) as
/// application word.
QSettings ProfileStore();

/// The loading rules on a given store and executable path: "Path In" and
/// "Path Out" are read (missing entries read as empty). When "Path In" is
/// empty and `executablePath` is not, both directories become the
/// executable's directory (ExecutableDirectory), replacing what was read for
/// "Path Out", when that directory holds a catalogue (MPCORB.DAT, .DAT.gz or
/// .ZIP) and can be written -- otherwise (an installed program in /usr/bin
/// or ~/.local/bin) the user's download folder, or the home folder when
/// there is none.
void LoadSettingsFrom(CSettings& settings, QSettings& store, const QString& executablePath);

/// Writes "Path In" and "Path Out" under "Settings", whatever they hold
/// (empty ones as empty strings), and flushes the store; failures are
/// ignored.
void SaveSettingsTo(const CSettings& settings, QSettings& store);

/// The directory part of an executable's path: everything before the last
/// directory separator, which is dropped; the whole path when it has none.
/// The separators are "/" and, on Windows, "\" as well.
QString ExecutableDirectory(const QString& executablePath);

/// The application word: the executable's file name without directory and
/// without its last extension ("Tarnwick.EXE" gives "Tarnwick").
QString ApplicationWord(const QString& executablePath);

}  // namespace tarnwick
