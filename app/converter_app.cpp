#include "converter_app.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>

#include "app_icon.h"
#include "converter_dlg.h"
#include "settings_store.h"

#ifndef TARNWICK_VERSION
#define TARNWICK_VERSION "0"
#endif

namespace tarnwick {

Language UserInterfaceLanguage() {
  const QStringList languages = QLocale().uiLanguages();
  if (!languages.isEmpty() && IsGermanLanguageName(languages.first().toStdString()))
    return Language::German;
  return Language::English;
}

CConverterApp::CConverterApp() {
  QCoreApplication::setApplicationName(ApplicationWord(QCoreApplication::applicationFilePath()));
  QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral("tarnwick"));
  QGuiApplication::setWindowIcon(ApplicationIcon());
  const Language language = UserInterfaceLanguage();
  SetTextLanguage(language);
  // Qt's own texts (a field's context menu, standard buttons) in German too;
  // without the translations installed they stay English.
  if (language == Language::German &&
      m_qtTranslator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&m_qtTranslator);
}

void CConverterApp::InitInstance() {
  QCoreApplication::setOrganizationName(QString::fromLatin1(kProfileCompany));
  LoadSettings(theSettings);
  CConverterDlg dialog(theSettings);
  dialog.exec();
}

int CConverterApp::ExitInstance() {
  SaveSettings(theSettings);
  return 0;
}

int CConverterApp::Run(int argc, char** argv) {
  QApplication application(argc, argv);
  CConverterApp app;
  app.InitInstance();
  return app.ExitInstance();
}

}  // namespace tarnwick
