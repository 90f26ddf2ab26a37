#pragma once

#include "DbTestFixture.h"
#include "RecordingSink.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUDbSelect.h"
#include "TUTYDrawingsTable.h"
#include "TUTYElementsTable.h"
#include "TUTYScenesTable.h"
#include "TUTYShowHideHolder.h"
#include "TUTallyard.h"
#include "oswRemapPath.h"

#include <QDir>
#include <QListWidget>
#include <QSplitter>
#include <QToolButton>
#include <QtTest>

#include <memory>

// A small studio and the main window over it, driven as a user clicks.
// Environments Alpha (jobs A1, A2), Beta (no jobs) and Many (J01..J11). A1
// holds s1 (old format, 24 frames, priority 3; elements bg with drawing 7 and
// char, folder char_v2, with drawings 1 and 2b), s2 (checked out by admin),
// s3 (saved by the editor; element ink with drawings 1 and 2b) and s4 (saved
// by the editor, its scene file missing; element lost). Users: admin (R & D),
// coord (Coordinator), tina (Technical Director), anim and bob (Animator),
// nobody (Scan, every right taken away). The members go in reverse order:
// the window before the database.
struct Studio {
    RecordingSink sink;
    DbTestFixture fixture;
    std::unique_ptr<TUDbAccess> db = fixture.open();
    dba_job_struct a1;
    std::unique_ptr<TUTallyard> window;

    bool fill()
    {
        bool ok = db && db->createEnv("Alpha", false) && db->createEnv("Beta", false) && db->createEnv("Many", false);
        for (const auto &[name, type] : {std::pair<const char *, int>{"coord", TUDbAccess::COORDINATOR},
                                         {"tina", TUDbAccess::TD},
                                         {"anim", TUDbAccess::ANIMATOR}, {"bob", TUDbAccess::ANIMATOR},
                                         {"nobody", TUDbAccess::SCAN}})
            ok = ok && db->addUser(name, QString(), QString(), QString(), type) == 0;
        for (int permission = 0; permission < TUDbAccess::PermissionCount; ++permission)
            ok = ok && db->setRight(TUDbAccess::SCAN, permission, false);
        QStringList jobs{"A1", "A2"};
        for (int i = 1; i <= 11; ++i)
            jobs.append(QStringLiteral("J%1").arg(i, 2, 10, QLatin1Char('0')));
        for (const QString &name : jobs) {
            dba_job_struct job;
            job.name = name;
            job.environment = name.startsWith('A') ? QStringLiteral("Alpha") : QStringLiteral("Many");
            ok = ok && db->dba_createJob(job) > 0;
        }
        dba_scene_struct s[4];
        ok = ok && db->dba_OpenJob(QStringLiteral("A1"), a1) == 0;
        for (int i = 0; i < 4; ++i) {
            const QString name = QStringLiteral("s%1").arg(i + 1);
            ok = ok && fixture.addScene(*db, a1, name, &s[i]);
        }
        // Elements: id, name, folder, root folder, scan type, pixmap format, field chart, vector type;
        // cels: id, name, suffix, stage, state.
        auto element = [](const char *name) { return QVX_element_data{0, name, {}, {}, {}, {}, 12, false}; };
        const QVector<dba_cel_struct> cels{{0, "1", {}, 3, 5}, {0, "2", "b", 2, 4}};
        ok = ok && DbTestFixture::addElement(*db, s[0], element("bg"), {{0, "7", {}, 0, 0}})
            && DbTestFixture::addElement(*db, s[0], {0, "char", "char_v2", {}, "Colour", {}, 16.5, false}, cels)
            && db->dba_setSceneFrames(s[0], 24) && db->dba_changePriorityScene(a1, "s1", 3)
            && db->dba_CheckoutScene(a1, "s2", "admin") && db->dba_addSceneVersion(s[2], "v", QString()) == 1
            && db->dba_addSceneVersion(s[3], "v", QString()) == 1
            && DbTestFixture::addElement(*db, s[2], element("ink"), cels)
            && DbTestFixture::addElement(*db, s[3], element("lost"), {});
        // Only s3's scene file is there.
        const QString stage = oswRemapPath::RemapPath2(s[2].path) + QStringLiteral("/stage");
        QFile file(stage + QStringLiteral("/v1.pavx"));
        return ok && QDir().mkpath(stage) && file.open(QIODevice::WriteOnly) && file.write("<project/>\n") > 0;
    }

    void createWindow(const QString &user = QStringLiteral("admin"))
    {
        window.reset();
        std::unique_ptr<TUDbAccess> access = fixture.open(user);
        auto selector = std::make_unique<TUDbSelectSingleDbClient>(9, 0, 0, 0);
        QVERIFY(access && selector->setUserName(user));
        access->sceneData().setUserName(user);
        window = std::make_unique<TUTallyard>(std::move(access), std::move(selector), false);
        // Tall enough for the scenes, elements and drawings to show rows at once.
        window->resize(window->width(), 900);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        sink.clear();
    }

    // The entries of Alpha's vectorize queue, and each as "scene:element:drawing".
    QVector<dba_queueEntry_struct> queue() const
    {
        dba_queue_struct queue;
        QVector<dba_queueEntry_struct> entries;
        if (db->dba_OpenQueue(DBA_QueueOps::VectorizeQueue, QStringLiteral("Alpha"), queue) == 0)
            db->dba_GetQueueEntries(queue, entries);
        return entries;
    }
    QStringList queued() const
    {
        QStringList names;
        for (const dba_queueEntry_struct &entry : queue())
            names.append(QStringList({entry.sceneName, entry.elementName, entry.drawingName}).join(QLatin1Char(':')));
        return names;
    }

    QListWidget *envList() const { return window->findChild<QListWidget *>(QStringLiteral("environmentList")); }
    QListWidget *jobList() const { return window->findChild<QListWidget *>(QStringLiteral("jobList")); }
    TUTYScenesTable *scenes() const { return window->findChild<TUTYScenesTable *>(); }
    TUTYElementsTable *elements() const { return window->findChild<TUTYElementsTable *>(); }
    TUTYDrawingsTable *drawings() const { return window->findChild<TUTYDrawingsTable *>(); }
    TUTYShowHideHolder *holder(const QString &pane) const { return window->findChild<TUTYShowHideHolder *>(pane + "Holder"); }
    void toggle(const QString &pane) { QTest::mouseClick(holder(pane)->findChild<QToolButton *>(), Qt::LeftButton); }

    // Clicks the row whose first column reads text.
    static void click(QAbstractItemView *view, const QString &text, Qt::KeyboardModifiers modifiers = {})
    {
        const QModelIndexList rows = view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, text, -1,
                                                          Qt::MatchExactly);
        QVERIFY2(rows.size() == 1, qPrintable(text));
        view->scrollTo(rows.first());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualRect(rows.first()).center());
    }

    // Chooses as a user clicks: "open=elements,drawings env=E jobs=J1,J2
    // scenes=S1,S2 elements=E drawings=D", in that order; the first name of a
    // list is clicked, the others control-clicked.
    void select(const QString &clicks)
    {
        const std::map<QString, QAbstractItemView *> views{{"env", envList()}, {"jobs", jobList()}, {"scenes", scenes()},
                                                           {"elements", elements()}, {"drawings", drawings()}};
        for (const QString &part : clicks.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString key = part.section(QLatin1Char('='), 0, 0);
            const QStringList values = part.section(QLatin1Char('='), 1).split(QLatin1Char(','));
            for (int i = 0; i < values.size(); ++i) {
                if (key == QLatin1String("open"))
                    toggle(values.at(i));
                else
                    click(views.at(key), values.at(i), i == 0 ? Qt::NoModifier : Qt::ControlModifier);
            }
            // As a user drags the splitter: an unfolded drawings pane keeps
            // only its bar until then.
            if (key == QLatin1String("open"))
                window->findChild<QSplitter *>()->setSizes({200, 200, 200, 200});
        }
    }
};
