// The main dialog's "Objects" group: which of the catalogue's objects a run writes.
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>

#include "converter_dlg.h"
#include "dialog_paths.h"

namespace tarnwick {

QGroupBox* CConverterDlg::ObjectsGroup() {
  auto* box = new QGroupBox(tr("Objects"));
  m_allObjects = new QCheckBox(tr("A&ll"), this);
  m_allObjects->setAccessibleName(tr("All objects"));
  m_brighter = new QCheckBox(tr("&Brighter than magnitude"), this);
  m_brighter->setAccessibleName(tr("Only objects brighter than a magnitude"));
  m_magnitude = new QDoubleSpinBox(this);
  m_magnitude->setAccessibleName(tr("Magnitude limit"));
  m_magnitude->setLocale(SessionLocale());
  // From the brightest asteroids to far beyond any telescope's reach.
  m_magnitude->setRange(0.0, 30.0);
  m_magnitude->setDecimals(1);
  m_magnitude->setSingleStep(0.5);
  m_magnitude->setValue(12.0);
  m_nearEarth = new QCheckBox(tr("&Near-Earth objects only"), this);
  m_nearEarth->setAccessibleName(tr("Near-Earth objects only"));
  m_numbered = new QCheckBox(tr("N&umbered only"), this);
  m_numbered->setAccessibleName(tr("Numbered objects only"));

  const Selection& stored = m_settings.selection;
  m_brighter->setChecked(stored.brighterThan.has_value());
  if (stored.brighterThan) m_magnitude->setValue(*stored.brighterThan);
  m_nearEarth->setChecked(stored.Has(OrbitClass::Neo));
  m_numbered->setChecked(stored.numberedOnly);
  for (QCheckBox* check : {m_allObjects, m_brighter, m_nearEarth, m_numbered})
    connect(check, &QCheckBox::clicked, this, [this, check] { ChooseObjects(check); });
  connect(m_magnitude, &QDoubleSpinBox::valueChanged, this,
          [this] { m_settings.selection = ChosenSelection(); });
  ChooseObjects(nullptr);

  auto* grid = new QGridLayout(box);
  grid->addWidget(m_allObjects, 0, 0);
  auto* brighter = new QHBoxLayout;
  brighter->addWidget(m_brighter);
  brighter->addWidget(m_magnitude);
  brighter->addStretch();
  grid->addLayout(brighter, 1, 0);
  grid->addWidget(m_nearEarth, 0, 1);
  grid->addWidget(m_numbered, 1, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  return box;
}

void CConverterDlg::ChooseObjects(QCheckBox* clicked) {
  if (clicked == m_allObjects) {
    for (QCheckBox* check : {m_brighter, m_nearEarth, m_numbered}) check->setChecked(false);
  }
  m_allObjects->setChecked(!m_brighter->isChecked() && !m_nearEarth->isChecked() &&
                           !m_numbered->isChecked());
  m_magnitude->setEnabled(m_brighter->isChecked());
  m_settings.selection = ChosenSelection();
}

Selection CConverterDlg::ChosenSelection() const {
  Selection selection;
  if (m_brighter->isChecked()) selection.brighterThan = m_magnitude->value();
  if (m_nearEarth->isChecked()) selection.Add(OrbitClass::Neo);
  selection.numberedOnly = m_numbered->isChecked();
  return selection;
}

}  // namespace tarnwick
