// The main dialog: download buttons, the three file paths with the two
// directory buttons, and the convert button, in Qt layouts. Runs work on a
// thread of their own, with a progress bar and Cancel.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <exception>
#include <functional>
#include <memory>

#include "conversion_run.h"
#include "settings.h"

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QThread;

namespace tarnwick {

struct RunProgress;
struct UpdateOutcome;
struct UpdateWarning;
class WorkerHooks;
class WorkerPrompts;

class CConverterDlg final : public QDialog {
  Q_OBJECT

 public:
  /// Shows the paths composed from `settings` and changes its directories
  /// when the user chooses others; takes its size and place from there and
  /// leaves them there when it closes. The German dialog has a second
  /// download button for the mirror and the step that says nothing needs
  /// unpacking. `settings` must outlive the dialog.
  explicit CConverterDlg(CSettings& settings, QWidget* parent = nullptr);
  ~CConverterDlg() override;

  /// Whether a run is working.
  bool Running() const { return m_thread != nullptr; }

  /// Closing while a run works cancels it and closes once it has ended.
  void done(int result) override;

 protected:
  /// A right-click into the dialog (or the menu key) opens the menu with the
  /// about entry.
  void contextMenuEvent(QContextMenuEvent* event) override;
  /// A catalogue file (MPCORB.DAT, .DAT.gz, .ZIP) dropped on the dialog makes
  /// its folder the input folder.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  /// Enter in a read-only path field does nothing (it would press Close).
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  /// Escape while a run works cancels the run and leaves the dialog open.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  /// Composes the three paths from the directories and shows them: the
  /// catalogue is the newest of MPCORB.DAT, MPCORB.DAT.gz and MPCORB.ZIP in
  /// the input directory (MPCORB.DAT when there is none), the output files
  /// are Asteroids4.dat and AsteroidInfo4.dat in the output directory. A
  /// relative directory is taken from the current directory; nothing is
  /// cleaned; an empty directory is the root. Then shows the data's age.
  void ComposePaths();
  /// The line under the output fields: the date of the pair's data and its age.
  void ShowDataAge();
  /// Hands `url` to the system's handler; when there is none, or it fails,
  /// shows the address in a box from which it can be copied.
  void OpenAddress(const QString& address);
  void ShowAddress(const QString& url);
  void OnConvert();
  /// Runs what `tarnwick-cli update -o <output folder>` runs: the catalogue
  /// from TARNWICK_URL (else the Minor Planet Center) unless the kept copy is
  /// current, converted while it arrives.
  void OnDownloadAndConvert();
  /// The box that tells how an update ended.
  void ShowUpdateOutcome(const UpdateOutcome& outcome);
  void ShowUpdateWarning(const UpdateWarning& warning);
  /// The box that tells how a conversion ended: the completion message with
  /// the number of objects written, or the warning of a run that wrote nothing.
  void ReportConversion(const ConversionOutcome& outcome);
  /// Lets the user choose `directory` in the platform's folder dialog, with
  /// `prompt` as its title and above its folders, opened at the directory;
  /// the input chooser also shows the catalogue files. A chosen folder is
  /// stored (in memory) and the paths are composed again, a cancelled choice
  /// changes nothing.
  void ChooseDirectory(QString& directory, const QString& prompt, bool input);

  /// Starts `work` on a worker thread; the buttons that start runs are
  /// disabled until it ends. What it throws is shown when it has ended.
  void Launch(std::function<void()> work);
  /// Called on the GUI thread when the worker has ended: shows its outcome.
  void FinishRun();
  void ShowProgress();
  void Cancel();
  void SetRunning(bool running);

  /// Runs a button's handler. A file error that ends a conversion arrives
  /// here and is shown in the file-error box; the dialog goes on.
  void Dispatch(const std::function<void()>& handler);
  QPushButton* Button(const QString& text, const std::function<void()>& handler);

  CSettings& m_settings;
  QString m_inputFile;
  QString m_orbitFile;
  QString m_infoFile;
  QLineEdit* m_inputField = nullptr;
  QLineEdit* m_orbitField = nullptr;
  QLineEdit* m_infoField = nullptr;
  QLabel* m_dataAge = nullptr;
  QList<QPushButton*> m_starters;  // the buttons that start a run or change its folders
  QProgressBar* m_progressBar = nullptr;
  QLabel* m_progressText = nullptr;
  QPushButton* m_cancel = nullptr;
  QAction* m_about = nullptr;  // F1, and the entry of the dialog's menu

  // The run in progress: its thread, what it has done, its prompts and result.
  QThread* m_thread = nullptr;
  std::unique_ptr<RunProgress> m_progress;
  std::unique_ptr<WorkerPrompts> m_prompts;
  std::unique_ptr<WorkerHooks> m_hooks;
  ConversionOutcome m_outcome;
  std::unique_ptr<UpdateOutcome> m_update;  // set by an update run
  std::exception_ptr m_failure;
  QElapsedTimer m_elapsed;
  QTimer m_progressTimer;
  bool m_closeWhenDone = false;
  bool m_sized = false;  // the first showing has made room for the wrapped texts
};

}  // namespace tarnwick
