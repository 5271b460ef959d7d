// The profile store that keeps the two directories between runs.
#pragma once

#include <QSettings>
#include <QString>
#include <chrono>

#include "settings.h"

namespace tarnwick {

/// Company name under which the profile store keeps the program's entries.
inline constexpr char kProfileCompany[] = "Quenneth";

/// The profile store of the running program: company kProfileCompany, the
/// application name (set at start-up from the executable's name) as
/// application word.
QSettings ProfileStore();

/// How long a first start may look for Lumivale's folder under Wine.
inline constexpr std::chrono::milliseconds kWineSearchBudget{800};

/// The Wine prefix: $WINEPREFIX, else ~/.wine.
QString WinePrefix();

/// The shallowest folder below `prefix`/drive_c that holds an Asteroids4.dat,
/// searched breadth first without following links (so never outside the
/// prefix) for at most `budget`; empty when none is found in time.
QString FindLumivaleFolder(const QString& prefix, std::chrono::milliseconds budget);

/// The loading rules on a given store and executable path: "Path In" and
/// "Path Out" are read (missing entries read as empty), and the window's
/// geometry from "Window/Geometry". When "Path In" is
/// empty and `executablePath` is not, both directories become the
/// executable's directory (ExecutableDirectory), replacing what was read for
/// "Path Out", when that directory holds a catalogue (MPCORB.DAT, .DAT.gz or
/// .ZIP) and can be written -- otherwise (an installed program in /usr/bin
/// or ~/.local/bin) the user's download folder, or the home folder when
/// there is none. When no "Path Out" was stored, the folder of Lumivale's
/// Asteroids4.dat under the Wine prefix (FindLumivaleFolder) becomes the
/// output folder where there is one.
void LoadSettingsFrom(CSettings& settings, QSettings& store, const QString& executablePath);

/// Writes "Path In" and "Path Out" under "Settings", whatever they hold
/// (empty ones as empty strings), and the window's geometry, and flushes
/// the store; failures are ignored.
void SaveSettingsTo(const CSettings& settings, QSettings& store);

/// The directory part of an executable's path: everything before the last
/// directory separator, which is dropped; the whole path when it has none.
/// The separators are "/" and, on Windows, "\" as well.
QString ExecutableDirectory(const QString& executablePath);

/// The application word: the executable's file name without directory and
/// without its last extension ("Tarnwick.EXE" gives "Tarnwick").
QString ApplicationWord(const QString& executablePath);

}  // namespace tarnwick
