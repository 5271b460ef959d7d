// Where the user fetches the catalogue. The program only hands these addresses
// to the system's handler; it downloads nothing itself.
#pragma once

#include "catalogue_location.h"  // kCatalogueUrl, the first download button

namespace tarnwick {

/// The second download button (German dialog only): the page of the Klet
/// Observatory's mirror, which lists MPCORB.DAT, MPCORB.DAT.gz and MPCORB.ZIP.
inline constexpr char kCatalogueMirrorUrl[] = "http://mpcorb.klet.org/";

}  // namespace tarnwick
