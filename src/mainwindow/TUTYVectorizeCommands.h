#pragma once

#include "TUTYCommands.h"

#include <QPointer>

class TUTYTable;
class TUTYUnvectorizeDlg;
class TUVectOptionsDlg;
struct dba_job_struct;
struct dba_scene_struct;

// Requests to the vectorize queue: the Element and Drawing menus (also the
// context menus of those tables) and the sending of scenes, elements and
// drawings to vectorize or unvectorize. Scenes saved in the old format
// cannot be sent.
class TUTYVectorizeCommands : public TUTYMenuCommands
{
    Q_OBJECT
public:
    TUTYVectorizeCommands(TUTallyard &window, QMenu *elementMenu, QMenu *drawingMenu);

    // The vectorize styles dialog, made on first need; its chosen style's
    // options go with every vectorize request.
    TUVectOptionsDlg &styles();

public slots:
    void rebuildElementMenu();
    void rebuildDrawingMenu();
    void sceneSendToVectorize();
    void sceneSendToUnvectorize();
    void elementSendToVectorize();
    void elementSendToUnvectorize();
    void drawingSendToVectorize();
    void drawingSendToUnvectorize();

protected:
    // Builds both menus: the element menu is the one of the base.
    void buildMenu(QMenu &menu) override;

private:
    struct ListEntries {
        QAction *vectorize = nullptr;
        QAction *unvectorize = nullptr;
    };

    static void enableListEntries(const ListEntries &entries, const TUTYTable &table, bool shown);
    // The window's open scene when it is saved in the current format; else
    // null, reported with refusal.
    const dba_scene_struct *sendableScene(const char *refusal);
    // Opens the window's current job on db (the second access, so that the
    // window's open scene stays as it is); false, reported, when it fails.
    bool openJob(TUDbAccess &db, dba_job_struct &job);
    void queueScene(TUDbAccess &db, const dba_job_struct &job, const QString &name);
    void queue(TUDbAccess &db, const dba_scene_struct &scene, const QString &element, const QString &folder,
               const QString &drawing);
    // Runs the unvectorize dialog over names; the chosen names, empty when cancelled.
    QStringList askUnvectorize(const QString &kind, const QStringList &names, const QStringList &selected);
    void unvectorizeOne(TUDbAccess &db, const dba_scene_struct &scene, const QString &element, const QString &folder,
                        const QString &drawing);

    QMenu *m_drawingMenu;
    ListEntries m_elementEntries;
    ListEntries m_drawingEntries;
    QPointer<TUVectOptionsDlg> m_styles;
    QPointer<TUTYUnvectorizeDlg> m_unvectorize;
};
