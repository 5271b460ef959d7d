// The mirror's page, which the German dialog's second download button hands
// to the system's handler. The first button and Download and convert take
// the catalogue's address from the update run (CatalogueUrl).
#pragma once

namespace tarnwick {

/// The second download button (German dialog only): the page of the Klet
/// Observatory's mirror, which lists MPCORB.DAT, MPCORB.DAT.gz and MPCORB.ZIP.
inline constexpr char kCatalogueMirrorUrl[] = "http://mpcorb.klet.org/";

}  // namespace tarnwick
