#include "MSG_Scope.h"
#include "TULogDlg.h"
#include "TULogView.h"
#include "TUUIMessage.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class tst_LogWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_logs;
    std::unique_ptr<TUUIMessage> m_sink;

private slots:
    void init()
    {
        m_logs = std::make_unique<QTemporaryDir>();
        qputenv("TALLYARD_LOG_DIR", QFile::encodeName(m_logs->path()));
        TUUIMessage::Options options;
        options.runBox = [](QMessageBox &) {};
        m_sink = std::make_unique<TUUIMessage>(QStringLiteral("tallyard"), false, false, false, options);
        TUMessage::setInstance(m_sink.get());
    }
    void cleanup()
    {
        TUMessage::releaseInstance();
        m_sink.reset();
        m_logs.reset();
    }

    void viewFollowsTheSink()
    {
        auto view = std::make_unique<TULogView>();
        QCOMPARE(view->objectName(), "logView");
        QCOMPARE(view->windowTitle(), "Log Window");
        QVERIFY(view->isReadOnly());
        QCOMPARE(view->toPlainText(), m_sink->getLogContent());
        MSG_Scope("tst", "scene saved", MSG_Scope::Inform);
        QVERIFY(QRegularExpression("\nInformation \\d\\d:\\d\\d:\\d\\d\\.\\d{3} scene saved$")
                    .match(view->toPlainText()).hasMatch());

        // A destroyed view is detached; the sink goes on writing without it.
        view.reset();
        MSG_Scope("tst", "after the view", MSG_Scope::Inform);
        QVERIFY(m_sink->getLogContent().contains("after the view"));
    }

    void viewWithoutWindowSinkStaysEmpty()
    {
        TUMessage::releaseInstance();
        TULogView view;
        m_sink->report('I', MSG_Text(QStringLiteral("not for this view")), 0, false);
        QVERIFY(view.toPlainText().isEmpty());
    }

    void dialogClosesWithItsButton()
    {
        QWidget owner;
        auto *dialog = new TULogDlg(&owner);
        QCOMPARE(dialog->parentWidget(), &owner);
        QVERIFY(dialog->view());
        QCOMPARE(dialog->findChild<TULogView *>("logView"), dialog->view());
        QCOMPARE(dialog->view()->toPlainText(), m_sink->getLogContent());
        QPushButton *close = nullptr;
        for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
            if (button->text() == "&Close")
                close = button;
        }
        QVERIFY(close);
        dialog->show();
        QVERIFY(dialog->isVisible());
        close->click();
        QVERIFY(!dialog->isVisible());
    }
};

QTEST_MAIN(tst_LogWindow)

#include "tst_logwindow.moc"
