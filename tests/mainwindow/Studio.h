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
// coord (Coordinator), anim and bob (Animator), nobody (Scan, every right
// taken away). The members go in reverse order: the window before the database.
struct Studio {
    RecordingSink sink;
    DbTestFixture fixture;
    std::unique_ptr<TUDbAccess> db = fixture.open();
    dba_job_struct a1;
    std::unique_ptr<TUTallyard> window;

    bool fill()
    {
        if (!db)
            return false;
        const std::pair<const char *, int> users[] = {{"coord", TUDbAccess::COORDINATOR},
                                                      {"anim", TUDbAccess::ANIMATOR},
                                                      {"bob", TUDbAccess::ANIMATOR},
                                                      {"nobody", TUDbAccess::SCAN}};
        for (const auto &[name, type] : users) {
            if (db->addUser(QLatin1String(name), QString(), QString(), QString(), type) != 0)
                return false;
        }
        for (int permission = 0; permission < TUDbAccess::PermissionCount; ++permission) {
            if (!db->setRight(TUDbAccess::SCAN, permission, false))
                return false;
        }
        for (const char *environment : {"Alpha", "Beta", "Many"}) {
            if (!db->createEnv(QLatin1String(environment), false))
                return false;
        }
        QStringList jobs{"A1", "A2"};
        for (int i = 1; i <= 11; ++i)
            jobs.append(QStringLiteral("J%1").arg(i, 2, 10, QLatin1Char('0')));
        for (const QString &name : jobs) {
            dba_job_struct job;
            job.name = name;
            job.environment = name.startsWith('A') ? QStringLiteral("Alpha") : QStringLiteral("Many");
            if (db->dba_createJob(job) <= 0)
                return false;
        }
        dba_scene_struct s[4];
        if (db->dba_OpenJob(QStringLiteral("A1"), a1) != 0)
            return false;
        for (int i = 0; i < 4; ++i) {
            const QString name = QStringLiteral("s%1").arg(i + 1);
            if (!db->dba_CreateScene(a1, name, QString(), fixture.fileSystem(), QString(), 1, -1, 1)
                || db->dba_OpenScene(name, a1, s[i]) != 0)
                return false;
        }
        auto element = [](const char *name, const char *folder = nullptr, const char *scan = nullptr, double chart = 0) {
            QVX_element_data element;
            element.name = QLatin1String(name);
            element.folder = QLatin1String(folder);
            element.scanType = QLatin1String(scan);
            element.fieldChart = chart;
            return element;
        };
        auto cel = [](const char *name, const char *suffix, int stage, int state) {
            dba_cel_struct cel;
            cel.name = QLatin1String(name);
            cel.suffix = QLatin1String(suffix);
            cel.stage = stage;
            cel.state = state;
            return cel;
        };
        const QVector<dba_cel_struct> painted{cel("1", nullptr, 3, 5), cel("2", "b", 2, 4)};
        if (!DbTestFixture::addElement(*db, s[0], element("bg"), {cel("7", nullptr, 0, 0)})
            || !DbTestFixture::addElement(*db, s[0], element("char", "char_v2", "Colour", 16.5), painted)
            || !db->dba_setSceneFrames(s[0], 24) || !db->dba_changePriorityScene(a1, QStringLiteral("s1"), 3)
            || !db->dba_CheckoutScene(a1, QStringLiteral("s2"), QStringLiteral("admin"))
            || db->dba_addSceneVersion(s[2], QStringLiteral("v"), QString()) != 1
            || db->dba_addSceneVersion(s[3], QStringLiteral("v"), QString()) != 1
            || !DbTestFixture::addElement(*db, s[2], element("ink"), painted)
            || !DbTestFixture::addElement(*db, s[3], element("lost"), {}))
            return false;
        // Only s3's scene file is there.
        const QString stage = oswRemapPath::RemapPath2(s[2].path) + QStringLiteral("/stage");
        QFile file(stage + QStringLiteral("/v1.pavx"));
        return QDir().mkpath(stage) && file.open(QIODevice::WriteOnly) && file.write("<project/>\n") > 0;
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
    TUTYShowHideHolder *holder(const QString &pane) const
    {
        return window->findChild<TUTYShowHideHolder *>(pane + QStringLiteral("Holder"));
    }
    void toggle(const QString &pane) { QTest::mouseClick(holder(pane)->findChild<QToolButton *>(), Qt::LeftButton); }

    template <typename View>
    static void click(View *view, const QString &text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const auto items = view->findItems(text, Qt::MatchExactly);
        QVERIFY2(items.size() == 1, qPrintable(text));
        view->scrollToItem(items.first());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualItemRect(items.first()).center());
    }

    // Chooses as a user clicks: "open=elements,drawings env=E jobs=J1,J2
    // scenes=S1,S2 elements=E drawings=D", in that order; the first name of a
    // list is clicked, the others control-clicked.
    void select(const QString &spec)
    {
        for (const QString &part : spec.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString key = part.section(QLatin1Char('='), 0, 0);
            const QStringList values = part.section(QLatin1Char('='), 1).split(QLatin1Char(','));
            for (int i = 0; i < values.size(); ++i) {
                const Qt::KeyboardModifiers modifiers = i == 0 ? Qt::NoModifier : Qt::ControlModifier;
                if (key == QLatin1String("open"))
                    toggle(values.at(i));
                else if (key == QLatin1String("env"))
                    click(envList(), values.at(i), modifiers);
                else if (key == QLatin1String("jobs"))
                    click(jobList(), values.at(i), modifiers);
                else if (key == QLatin1String("scenes"))
                    click(scenes(), values.at(i), modifiers);
                else if (key == QLatin1String("elements"))
                    click(elements(), values.at(i), modifiers);
                else
                    click(drawings(), values.at(i), modifiers);
            }
            // As a user drags the splitter: an unfolded drawings pane keeps
            // only its bar until then.
            if (key == QLatin1String("open"))
                window->findChild<QSplitter *>()->setSizes({200, 200, 200, 200});
        }
    }
};
