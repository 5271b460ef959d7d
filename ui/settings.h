// The two directories the desktop program works with.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarnwick {

/// Where the catalogue is looked for and where the two output files go. As
/// a rule without a trailing separator; a root directory keeps it. The
/// application object loads and saves them; the main dialog shows them and
/// its folder choosers change them.
struct CSettings {
  QString pathIn;
  QString pathOut;
  QByteArray geometry = {};  ///< the main window's size and place; empty: Qt's choice
};

}  // namespace tarnwick
