#include "settings.h"

#include <QDir>

namespace tarnwick {

QString AbsolutePath(const QString& path) {
  if (path.isEmpty() || QDir::isAbsolutePath(path)) return path;
  return QDir::currentPath() + u'/' + path;
}

}  // namespace tarnwick
