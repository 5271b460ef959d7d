#include "converter_app.h"

#include <QApplication>
#include <QLocale>
#include <QStringList>

#include "app_icon.h"
#include "converter_dlg.h"
#include "settings.h"

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
  SetTextLanguage(UserInterfaceLanguage());
}

bool CConverterApp::InitInstance() {
  QCoreApplication::setOrganizationName(QString::fromLatin1(kProfileCompany));
  theSettings.Load();
  {
    CConverterDlg dialog;
    m_pMainWnd = &dialog;
    dialog.exec();
    m_pMainWnd = nullptr;
  }
  return false;
}

int CConverterApp::ExitInstance() {
  theSettings.Save();
  return 0;
}

int CConverterApp::Run(int argc, char** argv) {
  QApplication application(argc, argv);
  CConverterApp app;
  app.InitInstance();
  return app.ExitInstance();
}

}  // namespace tarnwick
