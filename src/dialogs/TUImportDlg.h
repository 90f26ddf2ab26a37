#pragma once

#include "TUIEDialog.h"
#include "TUImport.h"
#include "TUImportQuestions.h"
#include "ui_tuimportdlg.h"

#include <memory>

class TUTYImportRemap;

// Imports packages into a destination environment and job: the package
// (a package folder's contents file, several packages joined by ";", or one
// standalone scene file), the destination from the file-system selector,
// the data options (starting as the package says) and link choices, a
// remap preset, and check-in around the run. A run counts the files first
// (a dry run) to size its progress dialog; Cancel keeps what was imported.
// Existing and locked scenes are asked about as they come. The access,
// selector and remapper are not owned.
class TUImportDlg : public TUIEDialog, private TUImportQuestions
{
    Q_OBJECT
public:
    // multiple: the folder button looks for several packages in a folder.
    TUImportDlg(QWidget *parent, TUDbAccess *access, TUDbSelect *selector, bool useCurrentWorkingDir, bool multiple);
    ~TUImportDlg() override;

    void setRemap(TUTYImportRemap *remap) { m_remap = remap; }
    void setPackagePath(const QString &path);
    void setDestination(const QString &environment, const QString &job, const QString &fileSystem,
                        const QString &scenePath = QString());
    // The number of scenes the last run imported.
    int lastImported() const { return m_imported; }

public slots:
    void packageDlg();
    void folderDialog();
    void destination();
    void packageChanged();
    void enableApply() override;
    void set() override;
    void clear() override;
    void interactiveImport();
    void progressCancel() override;
    void remapChanged(const QString &environment);

private:
    LockedAnswer sceneLocked(bool checkedOut, const QString &text) override;
    ExistsAnswer sceneExists(const QString &text) override;

    QStringList findPackages(const QString &folder) const;
    QStringList choosePackages(const QStringList &packages);
    void askStandaloneOrigin();
    void fillSceneList();
    void dataDefaultValue() override;
    bool confirmLongNames();
    bool checkedOutElsewhere();
    void checkInImported();
    void configureImporter();
    // false when it failed or had errors.
    bool runImport();
    QString startFolder() const;

    Ui::TUImportDlg m_ui;
    std::unique_ptr<TUImport> m_importer;
    TUTYImportRemap *m_remap = nullptr;
    QVector<TUImport::SceneEntry> m_scenes;
    QString m_presetSource;
    // What the package holds: the options the "Default" button restores.
    QSet<QString> m_packageData;
    bool m_multiple;
    int m_imported = 0;
};
