#include "TYExecuteScriptScenesDialog.h"
#include "TYRunScriptDialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

// The dialogs of a script run in the editor over scenes: the arguments line
// and the runs one after the other, with a stand-in editor that prints its
// last argument, complains on standard error, and ends only once the test
// lets that scene go.
class tst_ScriptDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString editor() const { return m_dir.filePath("editor"); }
    void letGo(const QString &scene) { QFile(m_dir.filePath(scene + ".go")).open(QIODevice::WriteOnly); }

private slots:
    void initTestCase()
    {
        QFile script(editor());
        QVERIFY(script.open(QIODevice::WriteOnly)
                && script.write(QStringLiteral("#!/bin/sh\n"
                                               "cd '%1'\n"
                                               "for last; do :; done\n"
                                               "printf '%s\\n' \"$*\" >> arguments.log\n"
                                               "echo \"<out> $last\"\n"
                                               "echo \"err $last\" >&2\n"
                                               "while [ ! -e \"$last.go\" ]; do sleep 0.02; done\n")
                                    .arg(m_dir.path())
                                    .toUtf8())
                    > 0);
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void splitsArguments_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("quoted words are one") << "-batch \"a b\" c" << QStringList{"-batch", "a b", "c"};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("runs of blanks") << "  a   b " << QStringList{"a", "b"};
        QTest::newRow("escaped quotes stay inside") << "\"say \\\"hi\\\"\" x" << QStringList{"say \\\"hi\\\"", "x"};
        QTest::newRow("a quote that never closes") << "a \"b c" << QStringList{"a", "b", "c"};
    }
    void splitsArguments()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        QCOMPARE(TYRunScriptDialog::splitArguments(line), words);
    }

    void okNeedsScriptAndCode()
    {
        TYRunScriptDialog dialog(nullptr);
        QPushButton *ok = dialog.findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Ok);
        QVERIFY(!ok->isEnabled());
        dialog.findChild<QLineEdit *>("scriptFileEdit")->setText("a.js");
        QVERIFY(!ok->isEnabled());
        dialog.findChild<QLineEdit *>("scriptEvalEdit")->setText("f()");
        QVERIFY(ok->isEnabled());
        QCOMPARE(dialog.arguments(), QStringList{"-batch"});
    }

    void runsTheScenesOneAfterTheOther()
    {
        TYExecuteScriptScenesDialog dialog(nullptr, {"a.js", "f()", "", {"s1", "s2"}, {"-x"}, editor()});
        auto *tabs = dialog.findChild<QTabWidget *>("tabWidget");
        auto *progress = dialog.findChild<QProgressBar *>("progressBar");
        QPushButton *ok = dialog.findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Ok);
        QVERIFY(dialog.findChild<QLabel *>("argumentsLabel")->isHidden());
        auto output = [tabs](int tab) { return static_cast<QTextBrowser *>(tabs->widget(tab))->toHtml(); };
        dialog.start();
        QTRY_VERIFY(tabs->count() == 1 && output(0).contains("err s1"));
        QVERIFY(!ok->isEnabled() && progress->value() == 0);
        letGo("s1");
        QTRY_VERIFY(tabs->count() == 2 && output(1).contains("err s2"));
        QVERIFY(!ok->isEnabled() && progress->value() == 1);
        letGo("s2");
        QTRY_VERIFY(ok->isEnabled());
        QCOMPARE(progress->text(), QStringLiteral("2/2"));
        QCOMPARE(tabs->tabText(0) + tabs->tabText(1), QStringLiteral("s1s2"));
        // Output as plain text, line by line, errors in dark red.
        const QString text = static_cast<QTextBrowser *>(tabs->widget(0))->toPlainText();
        QVERIFY2(text.contains("<out> s1\n") && output(0).contains("color:#b22222;\">err s1"), qPrintable(output(0)));
        QFile log(m_dir.filePath("arguments.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), QByteArray("-x s1\n-x s2\n"));
    }

    void anEditorThatDoesNotStartEndsTheRun()
    {
        TYExecuteScriptScenesDialog dialog(nullptr, {"a.js", "f()", "-b", {"s1", "s2"}, {}, m_dir.filePath("none")});
        dialog.start();
        auto *tabs = dialog.findChild<QTabWidget *>("tabWidget");
        QTest::qWait(50);
        QCOMPARE(tabs->count(), 1);
        QVERIFY(static_cast<QTextBrowser *>(tabs->widget(0))->toPlainText().contains("Couldn't load Scene s1"));
        QVERIFY(!dialog.findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Ok)->isEnabled());
    }
};

QTEST_MAIN(tst_ScriptDialogs)
#include "tst_scriptdialogs.moc"
