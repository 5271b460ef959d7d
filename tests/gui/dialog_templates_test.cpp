// The dialogs in both languages: each finds every control its code needs (a
// missing one ends the program), and every text has room in its rectangle.
#include <QtTest>
#include <QtWidgets>

#include "about_dlg.h"
#include "converter_dlg.h"
#include "text_table.h"

using namespace tarnwick;

namespace {

// Whether the text of `widget` fits into it as the widget draws it.
bool Fits(const QWidget* widget, QString* why) {
  const QFontMetrics metrics(widget->font());
  const QRect rect = widget->geometry();
  QString text;
  int width = 0;
  int height = metrics.height();
  if (auto* label = qobject_cast<const QLabel*>(widget)) {
    text = label->text();
    const QRect bounds =
        metrics.boundingRect(QRect(0, 0, rect.width(), 10000), Qt::TextWordWrap, text);
    width = bounds.width();
    height = bounds.height();
  } else if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
    text = group->title();
    width = metrics.horizontalAdvance(text) + metrics.averageCharWidth();
  } else if (auto* button = qobject_cast<const QPushButton*>(widget)) {
    text = button->text().remove(u'&');
    // A button needs its margin and its frame on both sides.
    const QStyle* style = widget->style();
    width = metrics.horizontalAdvance(text) + style->pixelMetric(QStyle::PM_ButtonMargin) +
            2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
  } else {
    return true;
  }
  *why = QString("\"%1\" needs %2x%3 pixels, has %4x%5")
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
  void everyTextFitsItsRectangleInBothLanguages() {
    for (Language language : {Language::German, Language::English}) {
      SetTextLanguage(language);
      CSettings settings;
      CConverterDlg dialog(settings);
      CAboutDlg about(&dialog);
      for (const QDialog* shown : {static_cast<QDialog*>(&dialog), static_cast<QDialog*>(&about)}) {
        for (QWidget* widget : shown->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
          QString why;
          QVERIFY2(Fits(widget, &why), qPrintable(why));
        }
      }
    }
  }
};

QTEST_MAIN(TestDialogTemplates)
#include "dialog_templates_test.moc"
