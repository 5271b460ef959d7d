#include "dialog_paths.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <algorithm>
#include <cstdlib>

#include "absolute_path.h"
#include "catalogue_location.h"
#include "dialog_language.h"
#include "kept_copy.h"
#include "update_run.h"

namespace tarnwick {

std::string Encoded(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString Absolute(const QString& path) {
  return QFile::decodeName(AbsolutePath(Encoded(path)).c_str());
}

QString Join(const QString& directory, const QString& name) {
  return directory.endsWith(u'/') ? directory + name : directory + u'/' + name;
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

QDate HttpDate(const std::string& text) {
  QString date = QString::fromStdString(text).trimmed();
  // HTTP writes the zone as "GMT", which Qt's RFC 2822 reading does not take.
  if (date.endsWith(u" GMT")) date = date.chopped(4) + QStringLiteral(" +0000");
  return QDateTime::fromString(date, Qt::RFC2822Date).date();
}

QDate KeptCopyDate(const std::string& orbitPath, const std::string& infoPath) {
  const std::string cache = DefaultCacheFolder(Variable);
  if (cache.empty() || !QFileInfo(QFile::decodeName(cache.c_str())).isDir()) return {};
  const std::string pair = PairIdentity(orbitPath, infoPath);
  if (pair.empty()) return {};
  const CacheFolder folder = OpenCacheFolder(cache);
  if (folder.problem != CacheProblem::None) return {};
  KeptCopy copy(folder, CatalogueUrl(Variable));
  const KeptState state = copy.ReadState();
  if (std::find(state.pairs.begin(), state.pairs.end(), pair) == state.pairs.end()) return {};
  return HttpDate(state.lastModified);
}

QLocale SessionLocale() {
  return QLocale(DialogLanguage() == Language::German ? QLocale::German : QLocale::English);
}

QLabel* Text(const QString& text) {
  auto* label = new QLabel(text);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  return label;
}

}  // namespace tarnwick
