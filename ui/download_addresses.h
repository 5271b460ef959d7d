// Where the user fetches the catalogue archive MPCORB.ZIP. The program only
// hands these addresses to the system's handler; it downloads nothing itself.
#pragma once

namespace tarnwick {

/// Button IDC_DOWNLOAD: the FTP server of the catalogue's publisher, the
/// Minor Planet Center.
inline constexpr char kCatalogueUrl[] = "ftp://cfa-ftp.harvard.edu/pub/MPCORB/MPCORB.ZIP";

/// Button IDC_DOWNLOAD_MIRROR (German dialog only): the catalogue mirror of
/// the Klet Observatory.
inline constexpr char kCatalogueMirrorUrl[] = "http://mpcorb.klet.org/mpcorb/MPCORB.ZIP";

}  // namespace tarnwick
