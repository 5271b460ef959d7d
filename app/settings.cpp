#include "settings.h"

#include <QCoreApplication>
#include <QSettings>

namespace tarnwick {

CSettings theSettings;

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

// The profile store of the running program. The application word is set at
// start-up (CConverterApp); Qt's own default would keep the extension.
QSettings ProfileStore() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                   QString::fromLatin1(kProfileCompany), QCoreApplication::applicationName());
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

void CSettings::Load() {
  QSettings store = ProfileStore();
  LoadFrom(store, QCoreApplication::applicationFilePath());
}

void CSettings::Save() const {
  QSettings store = ProfileStore();
  SaveTo(store);
}

void CSettings::LoadFrom(QSettings& store, const QString& executablePath) {
  store.beginGroup(QString::fromLatin1(kGroup));
  PathIn = store.value(QString::fromLatin1(kPathInEntry)).toString();
  PathOut = store.value(QString::fromLatin1(kPathOutEntry)).toString();
  store.endGroup();
  if (!PathIn.isEmpty() || executablePath.isEmpty()) return;
  PathIn = ExecutableDirectory(executablePath);
  PathOut = PathIn;
}

void CSettings::SaveTo(QSettings& store) const {
  store.beginGroup(QString::fromLatin1(kGroup));
  store.setValue(QString::fromLatin1(kPathInEntry), PathIn);
  store.setValue(QString::fromLatin1(kPathOutEntry), PathOut);
  store.endGroup();
  store.sync();
}

}  // namespace tarnwick
