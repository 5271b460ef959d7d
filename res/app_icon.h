// The application icon.
#pragma once

#include <QIcon>

namespace tarnwick {

/// The icon in the sizes of the launcher's theme icon (dist/icons), 16 to
/// 256 pixels, the small ones drawn for their size. Needs the application
/// object.
QIcon ApplicationIcon();

}  // namespace tarnwick
