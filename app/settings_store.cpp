#include "settings_store.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QQueue>
#include <QSettings>
#include <QStandardPaths>

#include "catalogue_location.h"

namespace tarnwick {

namespace {

constexpr char kGroup[] = "Settings";
constexpr char kPathInEntry[] = "Path In";
constexpr char kPathOutEntry[] = "Path Out";
// Which objects a run writes, as SelectionKey gives it; empty for all.
constexpr char kSelectionEntry[] = "Selection";
// The window's size and place, in a group of their own beside the folders.
constexpr char kWindowGroup[] = "Window";
constexpr char kGeometryEntry[] = "Geometry";

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

QString WinePrefix() {
  const QString prefix = qEnvironmentVariable("WINEPREFIX");
  return !prefix.isEmpty() ? prefix : QDir::homePath() + QStringLiteral("/.wine");
}

QString FindLumivaleFolder(const QString& prefix, std::chrono::milliseconds budget) {
  const QDeadlineTimer deadline(budget);
  // Breadth first: Lumivale's folder lies a few levels below drive_c, and
  // the shallowest match is the installed program rather than a backup.
  // Links are not followed, so the search stays inside the prefix (its
  // dosdevices link to the whole file system).
  QQueue<QString> folders;
  const QString driveC = prefix + QStringLiteral("/drive_c");
  if (QFileInfo(driveC).isDir() && !QFileInfo(driveC).isSymLink()) folders.enqueue(driveC);
  while (!folders.isEmpty() && !deadline.hasExpired()) {
    QString folder = folders.dequeue();
    if (QFileInfo(folder + QStringLiteral("/Asteroids4.dat")).isFile()) return folder;
    const QStringList children = QDir(folder).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QString& child : children) folders.enqueue(folder + u'/' + child);
  }
  return {};
}

namespace {

// Today's rule for a first start: both folders the program's own folder or
// the download folder (see LoadSettingsFrom).
void ApplyFirstStartRule(CSettings& settings, const QString& executablePath) {
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

}  // namespace

void LoadSettingsFrom(CSettings& settings, QSettings& store, const QString& executablePath) {
  store.beginGroup(QString::fromLatin1(kGroup));
  settings.pathIn = store.value(QString::fromLatin1(kPathInEntry)).toString();
  settings.pathOut = store.value(QString::fromLatin1(kPathOutEntry)).toString();
  // A key this version cannot read (a hand-edited or a later one) means all.
  settings.selection =
      ParseSelectionKey(store.value(QString::fromLatin1(kSelectionEntry)).toString().toStdString())
          .value_or(Selection{});
  store.endGroup();
  settings.geometry =
      store.value(QString::fromLatin1(kWindowGroup) + u'/' + QString::fromLatin1(kGeometryEntry))
          .toByteArray();
  const bool outputStored = !settings.pathOut.isEmpty();
  ApplyFirstStartRule(settings, executablePath);
  // Where Lumivale runs under Wine, its data folder is the place to write.
  if (!outputStored) {
    const QString lumivale = FindLumivaleFolder(WinePrefix(), kWineSearchBudget);
    if (!lumivale.isEmpty()) settings.pathOut = lumivale;
  }
}

void SaveSettingsTo(const CSettings& settings, QSettings& store) {
  store.beginGroup(QString::fromLatin1(kGroup));
  store.setValue(QString::fromLatin1(kPathInEntry), settings.pathIn);
  store.setValue(QString::fromLatin1(kPathOutEntry), settings.pathOut);
  store.setValue(QString::fromLatin1(kSelectionEntry),
                 QString::fromStdString(SelectionKey(settings.selection)));
  store.endGroup();
  store.setValue(QString::fromLatin1(kWindowGroup) + u'/' + QString::fromLatin1(kGeometryEntry),
                 settings.geometry);
  store.sync();
}

}  // namespace tarnwick
