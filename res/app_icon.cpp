#include "app_icon.h"

#include <QPixmap>

// The images are XPM, which is C source: reviewable as text, compiled in.
#include "tarnwick-16.xpm"
#include "tarnwick-32.xpm"

namespace tarnwick {

QIcon ApplicationIcon() {
  QIcon icon;
  icon.addPixmap(QPixmap(tarnwick_32));
  icon.addPixmap(QPixmap(tarnwick_16));
  return icon;
}

}  // namespace tarnwick
