// Where the user fetches the catalogue. The program only hands these addresses
// to the system's handler; it downloads nothing itself.
#pragma once

#include "catalogue_address.h"

namespace tarnwick {

/// The first download button: the compressed catalogue at the Minor Planet Center.
inline constexpr const char* kCatalogueUrl = kDefaultCatalogueUrl;

/// The second download button (German dialog only): the page of the Klet
/// Observatory's mirror, which lists MPCORB.DAT, MPCORB.DAT.gz and MPCORB.ZIP.
inline constexpr char kCatalogueMirrorUrl[] = "http://mpcorb.klet.org/";

}  // namespace tarnwick
