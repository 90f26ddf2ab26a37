#pragma once

#include "TUExport.h"
#include "TUIEDialog.h"
#include "ui_tuexportdlg.h"

#include <memory>

class WHO_AppInfo;

// Exports scenes to a package: the scenes listed, the destination, offline
// or regular, the data options and the link choices handed to the exporter
// it owns. A run counts the files first (a dry run) to size its progress
// dialog, whose Cancel stops the run and removes the package. An offline
// export may check the exported scenes out to the user. The access,
// selector and application information are not owned.
class TUExportDlg : public TUIEDialog
{
    Q_OBJECT
public:
    TUExportDlg(QWidget *parent, TUDbAccess *access, TUDbSelect *selector, WHO_AppInfo *appInfo,
                const QString &environment, const QString &job, const QStringList &scenes,
                bool useCurrentWorkingDir);
    ~TUExportDlg() override;

    void setPath(const QString &path);

public slots:
    void dir();
    void addScene();
    void removeScene();
    void enableApply() override;
    void set() override;
    void clear() override;
    void interactiveExport();
    void dataDefaultValue() override;
    void progressCancel() override;
    void sceneSelectionChanged();
    void calculate();
    void brixCBToggled(bool on, bool isSetAll);
    void brixCBToggled(bool on);
    void stageCBToggled(bool on);

private:
    void addScenes(const QString &environment, const QString &job, const QStringList &scenes);
    QVector<TUExport::SceneEntry> listedScenes() const;
    void configureExporter();
    bool runExport(QVector<TUExport::SceneEntry> &scenes);
    void checkOutExported(const QVector<TUExport::SceneEntry> &scenes);
    // The widgets an offline export fixes.
    QList<QWidget *> offlineFixed() const;

    Ui::TUExportDlg m_ui;
    std::unique_ptr<TUExport> m_exporter;
};
