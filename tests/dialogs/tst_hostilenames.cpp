#include "DbTestFixture.h"
#include "MSG_Text.h"
#include "ModalAnswerer.h"
#include "RecordingSink.h"
#include "SceneCopyEntry.h"
#include "TUCopyXsheetScene.h"
#include "TUCreateEnv.h"
#include "TUCreateJob.h"
#include "TURenameScene.h"
#include "TUSceneCreateDlg.h"
#include "TUTYUserListDlg.h"
#include "TestWidgets.h"

#include <QClipboard>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {
// As a user pastes a name copied from elsewhere: over what the field holds.
void paste(QLineEdit *field, const QString &text)
{
    QVERIFY(field);
    field->setFocus();
    field->selectAll();
    QApplication::clipboard()->setText(text);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
}

QStringList entriesBelow(const QString &folder)
{
    QStringList entries;
    for (QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        entries << it.next();
    return entries;
}

const QString kEscape = QDir::tempPath() + "/tallyard-hostile-name";
} // namespace

// Hostile names pasted into the name fields of the dialogs that make or
// change names, on job J of environment E with scene s1: each is refused
// with a message that shows it as written (control and format characters
// made visible, a long one cut), or stored exactly as the field showed it.
// Never run as SQL, never a file or folder outside the database root.
class tst_HostileNames : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    std::unique_ptr<QWidget> m_parent;
    RecordingSink m_sink;

    // What the dialog's kind of name holds in the database.
    QStringList stored(const QString &dialog)
    {
        QStringList names;
        if (dialog == "environment") {
            m_db->dba_GetEnvironments(names);
        } else if (dialog == "job") {
            QVector<dba_job_struct> jobs;
            m_db->dba_GetEnvironmentJobs("E", jobs, 0);
            for (const dba_job_struct &job : qAsConst(jobs))
                names << job.name;
        } else if (dialog.startsWith("user")) {
            QVector<dba_user_struct_type> users;
            m_db->dba_GetAllUsers(users);
            for (const dba_user_struct_type &user : qAsConst(users))
                names << (dialog == "user" ? user.name : user.firstName + '|' + user.lastName);
        } else {
            names = m_db->buildScenesList(m_db->jobRecord());
        }
        names.sort();
        return names;
    }

    // Puts the name into the dialog's field and presses what ends the
    // dialog; returns what the field showed then.
    QString enter(const QString &dialog, const QString &name)
    {
        QLineEdit *field = nullptr;
        QWidget *shown = nullptr;
        QString ok = "OK";
        if (dialog == "environment") {
            shown = new TUCreateEnv(m_parent.get(), m_db.get());
            field = shown->findChild<QLineEdit *>("environmentName");
        } else if (dialog == "job") {
            shown = new TUCreateJob(m_parent.get(), m_db.get(), "E", "admin", "admin", 5);
            field = shown->findChild<QLineEdit *>("jobName");
        } else if (dialog == "rename") {
            shown = new TURenameScene(m_parent.get(), m_db.get(), "s1");
            field = shown->findChild<QLineEdit *>("name");
            ok = "&OK";
        } else if (dialog == "create") {
            shown = new TUSceneCreateDlg(m_parent.get(), m_db.get(), "E", "admin", -1);
            auto *names = shown->findChild<QTableWidget *>("names");
            shown->show();
            names->setCurrentCell(0, 0);
            names->editItem(names->item(0, 0));
            field = names->findChild<QLineEdit *>();
            paste(field, name);
            QTest::keyClick(field, Qt::Key_Return);
            QTest::qWait(10); // the cell takes the editor's text from the event loop
            QTest::mouseClick(withText<QAbstractButton>(shown, "&OK"), Qt::LeftButton);
            return names->item(0, 0)->text();
        } else if (dialog == "copy") {
            shown = new TUCopyXsheetScene(m_parent.get(), m_db.get(), "E", "J", {{"s1", {}, -1, {}, false}});
            auto *summary = shown->findChild<QTreeWidget *>("copySummary");
            emit summary->itemDoubleClicked(summary->topLevelItem(0), 1);
            field = qobject_cast<QLineEdit *>(summary->itemWidget(summary->topLevelItem(0), 1));
            paste(field, name);
            const QString typed = field->text();
            QTest::mouseClick(withText<QAbstractButton>(shown, "Apply"), Qt::LeftButton);
            return typed;
        } else {
            return enterUser(name, dialog != "user");
        }
        shown->show();
        paste(field, name);
        const QString typed = field->text();
        QTest::mouseClick(withText<QAbstractButton>(shown, ok), Qt::LeftButton);
        return typed;
    }

    // Adds a user through the list's form, with the name, or as u1 with the
    // name as first and last name; a refused one is given up when the form
    // comes back. What the list then shows of u1 must be what was typed.
    QString enterUser(const QString &name, bool asNames)
    {
        auto *list = new TUTYUserListDlg(m_parent.get(), m_db.get());
        list->show();
        ModalAnswerer answerer;
        QString typed;
        bool answered = false;
        answerer.then([&](QWidget *form) {
            answered = true;
            for (const char *field : {"_leUserName", "_leFirstName", "_leLastName"})
                paste(form->findChild<QLineEdit *>(field), asNames == (field[3] == 'U') ? QString("u1") : name);
            const auto text = [form](const char *field) { return form->findChild<QLineEdit *>(field)->text(); };
            typed = asNames ? text("_leFirstName") + '|' + text("_leLastName") : text("_leUserName");
            withText<QAbstractButton>(form, "OK")->click();
        });
        answerer.then([](QWidget *form) { static_cast<QDialog *>(form)->reject(); });
        QMetaObject::invokeMethod(withText<QAbstractButton>(list, "&Add..."), &QAbstractButton::click, Qt::QueuedConnection);
        if (!QTest::qWaitFor([&] { return answered && !QApplication::activeModalWidget(); }, 10000))
            return QStringLiteral("<the form stayed open>");
        const QList<QTreeWidgetItem *> rows = list->findChild<QTreeWidget *>()->findItems("u1", Qt::MatchExactly);
        if (asNames && !rows.isEmpty() && rows[0]->text(1) + '|' + rows[0]->text(2) != typed)
            return QStringLiteral("<the list shows other names>");
        return typed;
    }

private slots:
    void init()
    {
        QVERIFY(DbTestFixture::restart(m_fixture, m_db) && DbTestFixture::makeJob(*m_db, "J", "E"));
        QVERIFY(m_db->dba_OpenJob("J", m_db->jobRecord()) != -1);
        QVERIFY(m_db->dba_CreateScene(m_db->jobRecord(), "s1", "admin", m_fixture->fileSystem(), QString(), 1, -1, 1));
        m_parent = std::make_unique<QWidget>();
        m_sink.clear();
    }
    void cleanup() { m_parent.reset(); }

    void hostileNames_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("name");
        const QString escape = "../../../../../../../../../../.." + kEscape;
        const std::pair<const char *, QString> names[] = {
            {"quotes", "it's \"x\""},
            {"SQL", "x'); DROP TABLE users; --"},
            {"placeholders", "a%1b%2"},
            {"control characters", "a\x1b[2J\x07\nb"},
            {"right-to-left marks", QString("a") + QChar(0x202E) + "b" + QChar(0x200F)},
            {"10,000 characters", QString(10000, 'n')},
            {"path", escape},
        };
        for (const char *dialog : {"environment", "job", "create", "rename", "copy", "user", "user's names"}) {
            for (const auto &name : names)
                QTest::newRow(qPrintable(QString(dialog) + ", " + name.first)) << dialog << name.second;
        }
    }
    void hostileNames()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, name);
        const QStringList before = stored(dialog), files = entriesBelow(m_fixture->scratch());
        const QString shown = enter(dialog, name);
        QStringList added = stored(dialog);
        for (const QString &old : before)
            added.removeOne(old);
        if (dialog == "user's names")
            added.removeAll("|"); // u1, when it was added with the names refused
        const QString said = m_sink.dump();
        QVERIFY2(added.isEmpty() || added == QStringList(shown), qPrintable(added.join('\n').left(200)));
        if (added.isEmpty()) {
            QVERIFY2(!said.isEmpty(), "refused without a word");
            QVERIFY2(said.size() < 2000, qPrintable(said.left(200)));
            QVERIFY2(shown != name || said.contains(MSG_Text::readable(name)), qPrintable(said.left(400)));
        }
        QVERIFY(DbTestFixture::value(*m_db, "SELECT COUNT(*) FROM users").toInt() >= 2);
        for (const QString &file : entriesBelow(m_fixture->scratch()))
            QVERIFY2(files.contains(file) || file.startsWith(m_fixture->root() + '/'), qPrintable(file));
        QVERIFY(!QFileInfo::exists(kEscape));
    }
};

QTEST_MAIN(tst_HostileNames)
#include "tst_hostilenames.moc"
