// The dialogs as the templates define them: controls, ids, texts, tab order,
// geometry in dialog units, and room for every text in both languages.
#include "dialog_templates.h"

#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QtTest>

#include "about_dlg.h"
#include "converter_dlg.h"
#include "template_builder.h"
#include "text_table.h"

using namespace tarnwick;

namespace {

// One expected control: Qt class, object name (empty for texts and group
// boxes) and text.
struct Expected {
  const char* className;
  const char* name;
  const char* text;
};

QString TextOf(const QWidget* widget) {
  if (auto* b = qobject_cast<const QPushButton*>(widget)) return b->text();
  if (auto* g = qobject_cast<const QGroupBox*>(widget)) return g->title();
  if (auto* l = qobject_cast<const QLabel*>(widget)) return l->text();
  if (auto* e = qobject_cast<const QLineEdit*>(widget)) return e->text();
  return QString();
}

void CheckControls(const std::vector<QWidget*>& controls, const std::vector<Expected>& expected) {
  QCOMPARE(controls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const QWidget* widget = controls[i];
    QVERIFY2(widget->inherits(expected[i].className),
             qPrintable(QStringLiteral("control %1 is a %2")
                            .arg(i + 1)
                            .arg(QString::fromLatin1(widget->metaObject()->className()))));
    QCOMPARE(widget->objectName(), QString::fromLatin1(expected[i].name));
    QCOMPARE(TextOf(widget), QString::fromUtf8(expected[i].text));
  }
}

// Object names of the widgets that take the focus with Tab, from `first` on.
QStringList TabChain(QWidget* first) {
  QStringList names;
  QWidget* widget = first;
  do {
    if (widget->focusPolicy() & Qt::TabFocus) names << widget->objectName();
    widget = widget->nextInFocusChain();
  } while (widget != first);
  return names;
}

// Whether `text` fits into `widget` as the widget draws it.
bool Fits(const QWidget* widget, QString* why) {
  const QFontMetrics metrics(widget->font());
  const QRect rect = widget->geometry();
  QString text = TextOf(widget);
  if (qobject_cast<const QLineEdit*>(widget) || text.isEmpty()) return true;
  int width = 0;
  int height = 0;
  if (auto* label = qobject_cast<const QLabel*>(widget); label && label->wordWrap()) {
    const QRect bounds =
        metrics.boundingRect(QRect(0, 0, rect.width(), 10000), Qt::TextWordWrap, text);
    width = bounds.width();
    height = bounds.height();
  } else {
    if (qobject_cast<const QPushButton*>(widget)) text.remove(QLatin1Char('&'));
    width = metrics.horizontalAdvance(text);
    height = metrics.height();
    if (qobject_cast<const QPushButton*>(widget)) {
      // A button needs its margin and its frame on both sides.
      const QStyle* style = widget->style();
      width += style->pixelMetric(QStyle::PM_ButtonMargin) +
               2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
    }
    if (qobject_cast<const QGroupBox*>(widget)) width += metrics.averageCharWidth();
  }
  *why = QStringLiteral("\"%1\" needs %2x%3 pixels, has %4x%5")
             .arg(text)
             .arg(width)
             .arg(height)
             .arg(rect.width())
             .arg(rect.height());
  return width <= rect.width() && height <= rect.height();
}

}  // namespace

class TestDialogTemplates final : public QObject {
  Q_OBJECT

 private slots:
  void germanMainDialogHasTwentyControlsInTemplateOrder() {
    QDialog dialog;
    CheckControls(BuildFromTemplate(dialog, UpdateDialogTemplate(Language::German)),
                  {
                      {"QPushButton", "IDCANCEL", "&Schließen"},
                      {"QGroupBox", "", "1)  Download"},
                      {"QLabel", "",
                       "Holen Sie sich die aktuellste Datei MPCORB.ZIP direkt vom MPC aus "
                       "dem Internet:"},
                      {"QPushButton", "IDC_DOWNLOAD", "Download..."},
                      {"QLabel", "",
                       "Alternativ können Sie auch den Mirror-Server verwenden (z.B. "
                       "funktioniert der MPC-Download nicht mit T-Online):"},
                      {"QPushButton", "IDC_DOWNLOAD_MIRROR", "Download..."},
                      {"QGroupBox", "", "2)  Entpacken"},
                      {"QLabel", "",
                       "Entpacken Sie MPCORB.ZIP zu MPCORB.DAT in ein Verzeichnis Ihrer Wahl "
                       "(z.B. mit dem Tool WinZip)"},
                      {"QGroupBox", "", "3)  Konvertierung MPCORB.DAT"},
                      {"QLabel", "", "Input (Textdatei)"},
                      {"QLineEdit", "IDC_INPUT_FILE", ""},
                      {"QPushButton", "IDC_BROWSE_INPUT", "..."},
                      {"QLabel", "", "Output (binäre Dateien für Lumivale):"},
                      {"QLabel", "", "a)"},
                      {"QLineEdit", "IDC_OUTPUT_ORBITS", ""},
                      {"QPushButton", "IDC_BROWSE_OUTPUT", "..."},
                      {"QLabel", "", "b)"},
                      {"QLineEdit", "IDC_OUTPUT_INFO", ""},
                      {"QLabel", "", "------->"},
                      {"QPushButton", "IDC_CONVERT", "Konvertierung starten"},
                  });
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Lumivale  -  Kleinplaneten aktualisieren"));
  }

  void englishMainDialogHasSixteenControlsAndNoMirror() {
    QDialog dialog;
    CheckControls(
        BuildFromTemplate(dialog, UpdateDialogTemplate(Language::English)),
        {
            {"QPushButton", "IDCANCEL", "&Close"},
            {"QGroupBox", "", "1)  Download"},
            {"QLabel", "", "Get the latest file MPCORB.ZIP directly from MPC on the Internet:"},
            {"QPushButton", "IDC_DOWNLOAD", "Download..."},
            {"QGroupBox", "", "2)  Convert MPCORB.DAT"},
            {"QLabel", "", "Input (Textfile)"},
            {"QLineEdit", "IDC_INPUT_FILE", ""},
            {"QPushButton", "IDC_BROWSE_INPUT", "..."},
            {"QLabel", "", "Output (binary Files for Lumivale):"},
            {"QLabel", "", "a)"},
            {"QLineEdit", "IDC_OUTPUT_ORBITS", ""},
            {"QPushButton", "IDC_BROWSE_OUTPUT", "..."},
            {"QLabel", "", "b)"},
            {"QLineEdit", "IDC_OUTPUT_INFO", ""},
            {"QLabel", "", "------->"},
            {"QPushButton", "IDC_CONVERT", "Start Converting"},
        });
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Lumivale  -  Update Asteroids"));
    QVERIFY(!dialog.findChild<QWidget*>(QStringLiteral("IDC_DOWNLOAD_MIRROR")));
  }

  void aboutBoxShowsIconVersionAndOkInBothLanguages() {
    for (const auto& [language, title] : {std::pair{Language::German, "Info über Tarnwick"},
                                          std::pair{Language::English, "About Tarnwick"}}) {
      QDialog dialog;
      const auto controls = BuildFromTemplate(dialog, AboutBoxTemplate(language));
      CheckControls(controls, {{"QLabel", "", ""},
                               {"QLabel", "", "Tarnwick, Version 1.0"},
                               {"QPushButton", "IDOK", "OK"}});
      QCOMPARE(dialog.windowTitle(), QString::fromUtf8(title));
      const auto* icon = qobject_cast<QLabel*>(controls[0]);
      QCOMPARE(icon->pixmap().size(), QSize(32, 32));
      QVERIFY(qobject_cast<QPushButton*>(controls[2])->isDefault());
    }
  }

  void tabOrderFollowsTheTemplateAndStartsAtClose() {
    SetTextLanguage(Language::German);
    CConverterDlg german;
    auto* close = german.findChild<QPushButton*>(QStringLiteral("IDCANCEL"));
    QCOMPARE(TabChain(close),
             QStringList({"IDCANCEL", "IDC_DOWNLOAD", "IDC_DOWNLOAD_MIRROR", "IDC_INPUT_FILE",
                          "IDC_BROWSE_INPUT", "IDC_OUTPUT_ORBITS", "IDC_BROWSE_OUTPUT",
                          "IDC_OUTPUT_INFO", "IDC_CONVERT"}));
    german.show();
    QVERIFY(QTest::qWaitForWindowExposed(&german));
    QCOMPARE(QApplication::focusWidget(), close);
    german.reject();

    SetTextLanguage(Language::English);
    CConverterDlg english;
    QCOMPARE(
        TabChain(english.findChild<QPushButton*>(QStringLiteral("IDCANCEL"))),
        QStringList({"IDCANCEL", "IDC_DOWNLOAD", "IDC_INPUT_FILE", "IDC_BROWSE_INPUT",
                     "IDC_OUTPUT_ORBITS", "IDC_BROWSE_OUTPUT", "IDC_OUTPUT_INFO", "IDC_CONVERT"}));
  }

  void rectanglesAreDialogUnitsOfTheDialogFont() {
    QDialog dialog;
    const DialogTemplate& german = UpdateDialogTemplate(Language::German);
    BuildFromTemplate(dialog, german);
    const DialogUnits units(dialog.font());
    QVERIFY(units.BaseX() > 0 && units.BaseY() > 0);
    QCOMPARE(dialog.size(), QSize(units.X(282), units.Y(260)));
    auto* convert = dialog.findChild<QPushButton*>(QStringLiteral("IDC_CONVERT"));
    QCOMPARE(convert->geometry(),
             QRect(units.X(179), units.Y(215), units.X(179 + 91) - units.X(179),
                   units.Y(215 + 14) - units.Y(215)));
    QCOMPARE(units.X(4), units.BaseX());
    QCOMPARE(units.Y(8), units.BaseY());
    // Fields and buttons of one row line up whatever the rounding.
    auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("IDC_INPUT_FILE"));
    auto* browse = dialog.findChild<QPushButton*>(QStringLiteral("IDC_BROWSE_INPUT"));
    QCOMPARE(field->geometry().top(), browse->geometry().top());
    QCOMPARE(field->geometry().height(), browse->geometry().height());
  }

  void everyTextFitsItsRectangle() {
    for (Language language : {Language::German, Language::English}) {
      for (const DialogTemplate* dialogTemplate :
           {&UpdateDialogTemplate(language), &AboutBoxTemplate(language)}) {
        QDialog dialog;
        for (QWidget* widget : BuildFromTemplate(dialog, *dialogTemplate)) {
          QString why;
          QVERIFY2(Fits(widget, &why), qPrintable(why));
        }
      }
    }
  }
};

QTEST_MAIN(TestDialogTemplates)
#include "dialog_templates_test.moc"
