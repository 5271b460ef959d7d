#include "settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "catalogue_location.h"

namespace tarnwick {

namespace {

constexpr char kGroup[] = "Settings";
constexpr char kPathInEntry[] = "Path In";
constexpr char kPathOutEntry[] = "Path Out";

bool IsSeparator(QChar c) {
#ifdef Q_OS_WIN
  return c == u'/' || c == u'\\';
#else
  // A backslash is an ordinary character in a file name here.
  return c == u'/';
#endif
}

// Where a first start looks for the catalogue and writes the files when the
// program's own folder cannot be written.
QString DownloadDirectory() {
  const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
  return !downloads.isEmpty() && QFileInfo(downloads).isDir() ? downloads : QDir::homePath();
}

}  // namespace

QString ExecutableDirectory(const QString& executablePath) {
  for (qsizetype i = executablePath.size() - 1; i >= 0; --i) {
    if (IsSeparator(executablePath[i])) return executablePath.left(i);
  }
  return executablePath;
}

QString ApplicationWord(const QString& executablePath) {
  QString name = executablePath;
  for (qsizetype i = name.size() - 1; i >= 0; --i) {
    if (IsSeparator(name[i])) {
      name = name.mid(i + 1);
      break;
    }
  }
  const qsizetype dot = name.lastIndexOf(u'.');
  return dot > 0 ? name.left(dot) : name;
}

QSettings ProfileStore() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                   QString::fromLatin1(kProfileCompany), QCoreApplication::applicationName());
}

void LoadSettingsFrom(CSettings& settings, QSettings& store, const QString& executablePath) {
  store.beginGroup(QString::fromLatin1(kGroup));
  settings.pathIn = store.value(QString::fromLatin1(kPathInEntry)).toString();
  settings.pathOut = store.value(QString::fromLatin1(kPathOutEntry)).toString();
  store.endGroup();
  if (!settings.pathIn.isEmpty() || executablePath.isEmpty()) return;
  // The program's own folder only when it is a portable copy or a build tree
  // with its catalogue; an installed program's folder (~/.local/bin) holds
  // none, and the user's downloads are where a catalogue will arrive.
  QString own = ExecutableDirectory(executablePath);
  if (own.isEmpty()) own = QStringLiteral("/");
  const std::string catalogue = ChooseCatalogue(QFile::encodeName(own).toStdString());
  const bool holdsCatalogue = QFileInfo(QFile::decodeName(catalogue.c_str())).isFile();
  settings.pathIn = holdsCatalogue && QFileInfo(own).isWritable()
                        ? ExecutableDirectory(executablePath)
                        : DownloadDirectory();
  settings.pathOut = settings.pathIn;
}

void SaveSettingsTo(const CSettings& settings, QSettings& store) {
  store.beginGroup(QString::fromLatin1(kGroup));
  store.setValue(QString::fromLatin1(kPathInEntry), settings.pathIn);
  store.setValue(QString::fromLatin1(kPathOutEntry), settings.pathOut);
  store.endGroup();
  store.sync();
}

}  // namespace tarnwick
