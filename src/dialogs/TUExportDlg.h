#pragma once

#include "TUExport.h"
#include "TUIEOptionWidgets.h"
#include "ui_tuexportdlg.h"

#include <QDialog>

#include <memory>

class TUDbAccess;
class TUDbSelect;
class WHO_AppInfo;

// Exports scenes to a package: the scenes listed, the destination, offline
// or regular, the data options and the link choices handed to the exporter
// it owns. A run counts the files first (a dry run) to size its progress
// dialog, whose Cancel stops the run and removes the package. An offline
// export may check the exported scenes out to the user. The access,
// selector and application information are not owned.
class TUExportDlg : public QDialog
{
    Q_OBJECT
public:
    TUExportDlg(QWidget *parent, TUDbAccess *access, TUDbSelect *selector, WHO_AppInfo *appInfo,
                const QString &environment, const QString &job, const QStringList &scenes,
                bool useCurrentWorkingDir);
    ~TUExportDlg() override;

    void setPath(const QString &path);
    // The outcome of the last run: true when it exported without an error.
    bool lastRunSucceeded() const { return m_succeeded; }

public slots:
    void dir();
    void addScene();
    void removeScene();
    void enableApply();
    void set();
    void clear();
    void interactiveExport();
    void dataDefaultValue();
    void progressCancel();
    void sceneSelectionChanged();
    void calculate();
    void brixCBToggled(bool on, bool isSetAll);
    void brixCBToggled(bool on);
    void libraryCBToggled(bool on);
    void groupCBToggled(bool on);
    void paletteCBToggled(bool on);
    void stageCBToggled(bool on);

private:
    void addScenes(const QString &environment, const QString &job, const QStringList &scenes);
    QVector<TUExport::SceneEntry> listedScenes() const;
    void configureExporter();
    bool runExport(QVector<TUExport::SceneEntry> &scenes);
    void checkOutExported(const QVector<TUExport::SceneEntry> &scenes);
    // The widgets an offline export fixes.
    QList<QWidget *> offlineFixed() const;
    void log(const QString &text, bool error = false);

    Ui::TUExportDlg m_ui;
    TUDbAccess *m_access;
    TUDbSelect *m_selector;
    TUIEOptionWidgets m_options;
    std::unique_ptr<TUExport> m_exporter;
    bool m_useCurrentWorkingDir;
    bool m_succeeded = false;
};
