// The application icon.
#pragma once

#include <QIcon>

namespace tarnwick {

/// The icon with its two 16-colour images, 32x32 and 16x16. Needs the
/// application object.
QIcon ApplicationIcon();

}  // namespace tarnwick
