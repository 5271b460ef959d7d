#include "desktop_app.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdlib>

#include "app_icon.h"
#include "converter_dlg.h"
#include "dialog_language.h"
#include "settings_store.h"

namespace tarnwick {

Language DesktopLanguage(const Environment& environment) { return SessionLanguage(environment); }

std::string ProcessVariable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

void SetUpApplication() {
  QCoreApplication::setApplicationName(ApplicationWord(QCoreApplication::applicationFilePath()));
  QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
  QCoreApplication::setOrganizationName(QString::fromLatin1(kProfileCompany));
  QGuiApplication::setDesktopFileName(QStringLiteral("tarnwick"));
  QGuiApplication::setWindowIcon(ApplicationIcon());
  UseLanguage(DesktopLanguage(ProcessVariable));
}

void UseLanguage(Language language) {
  static QTranslator ours;
  static QTranslator qts;
  SetDialogLanguage(language);
  QCoreApplication::removeTranslator(&ours);
  QCoreApplication::removeTranslator(&qts);
  if (language != Language::German) return;
  const QLocale german(QLocale::German);
  if (ours.load(german, QStringLiteral("tarnwick"), QStringLiteral("_"), QStringLiteral(":/i18n")))
    QCoreApplication::installTranslator(&ours);
  if (qts.load(german, QStringLiteral("qtbase"), QStringLiteral("_"),
               QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qts);
}

void RunMainDialog() {
  // The folders live in the run's own CSettings: read from the profile store
  // once before the dialog, written to it once after.
  QSettings store = ProfileStore();
  CSettings settings;
  LoadSettingsFrom(settings, store, QCoreApplication::applicationFilePath());
  CConverterDlg dialog(settings);
  dialog.exec();
  SaveSettingsTo(settings, store);
}

int RunDesktop(int argc, char** argv) {
  QApplication application(argc, argv);
  SetUpApplication();
  RunMainDialog();
  return 0;
}

}  // namespace tarnwick
