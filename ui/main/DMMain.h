#pragma once
// The data module: what the windows share beside the main window itself - the open and save
// dialogs of result files and logs, the tray icon, the animation frames and toolbar glyphs, the
// system folders a search warns about, the system icons, the network-location dialogs and the
// archive progress relay.

#include <QFileIconProvider>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QStringList>
#include <memory>

class QSystemTrayIcon;
class QWidget;

// An open or save dialog with its settings kept between uses (filter "Text file|*.txt" style).
class TFileDialog {
public:
  enum class TKind { Open, Save };
  TFileDialog(TKind Kind, const QString &Filter) : Kind(Kind), Filter(Filter) {}

  // Asks for a file through the dialog service; true when the user confirmed one (in FileName).
  bool Execute(QWidget *Owner);

  TKind Kind;
  QString Filter; // "Description|*.ext|Description|*.ext"
  QString Title;
  QString FileName;
};

// "Text file|*.txt|Result|*.wzr" -> "Text file (*.txt);;Result (*.wzr)".
QString QtFileFilter(const QString &Filter);

class TdtmMain : public QObject {
  Q_OBJECT
public:
  TdtmMain();
  ~TdtmMain() override;

  TFileDialog dlgSave{TFileDialog::TKind::Save, QStringLiteral("Text file|*.txt")};
  TFileDialog dlgOpen{TFileDialog::TKind::Open, QString()};

  // The tray icon; none when the desktop has no tray.
  QSystemTrayIcon *tryIcon() const { return m_tray.get(); }
  void SetTrayActive(bool Active);
  bool TrayActive() const { return m_trayActive; }
  // The hint is kept (and shown when a tray exists), so it can be read without a tray.
  void SetTrayHint(const QString &Hint);
  QString TrayHint() const { return m_trayHint; }
  void SetTrayIcon(const QIcon &Icon);

  // Animation frames of a search.
  QList<QIcon> imlTray;
  // Small system icons of files and folders.
  QFileIconProvider imlSystem;
  // The system folders (as the platform lists them, empty ones left out).
  QStringList SystemFolders;

  // Network locations: asks for an address and mounts it / offers the mounted ones to unmount.
  // True when something changed (the folder tree is then rebuilt).
  bool ndrMountExecute(QWidget *Owner);
  bool ndrUnmountExecute(QWidget *Owner);

  // Overall progress of unpacking an archive: shown as " (<text 20121> p%)", p at most 100.
  void zipMainTotalProgress(qint64 TotalSize, int Percent);

  // Brings the window back: shown, restored from minimised, made visible.
  void tryIconClick();

private:
  void DataModuleCreate();
  void DataModuleDestroy();

  std::unique_ptr<QSystemTrayIcon> m_tray;
  bool m_trayActive = false;
  QString m_trayHint;
};

// The one data module (set while it exists).
extern TdtmMain *dtmMain;
