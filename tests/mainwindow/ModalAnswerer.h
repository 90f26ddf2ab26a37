#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <queue>

// Answers the modal windows a test's action opens, in order, as a person
// would: each handler gets the next visible modal window (a question box or
// a form) and presses what it chooses. What the boxes said is kept.
class ModalAnswerer : public QObject
{
public:
    using Handler = std::function<void(QWidget *)>;

    ModalAnswerer()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (m_handlers.empty() || !modal || !modal->isVisible() || modal == m_ignored)
                return;
            Handler handler = std::move(m_handlers.front());
            m_handlers.pop();
            if (auto *box = qobject_cast<QMessageBox *>(modal))
                boxes << box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|')
                        + (box->defaultButton() ? box->defaultButton()->text() : QString());
            handler(modal);
        });
        m_timer.start(5);
    }
    // A modal window the handlers leave alone (the dialog under test).
    void ignore(QWidget *widget) { m_ignored = widget; }
    void then(Handler handler) { m_handlers.push(std::move(handler)); }
    // Presses the button showing text in the next box.
    void press(const QString &text)
    {
        then([text](QWidget *modal) {
            for (QAbstractButton *button : modal->findChildren<QAbstractButton *>()) {
                if (button->text() == text) {
                    button->click();
                    return;
                }
            }
            qWarning("no button %s", qPrintable(text));
            static_cast<QDialog *>(modal)->reject();
        });
    }
    bool done() const { return m_handlers.empty(); }

    // "title|text|default button" of each box answered.
    QStringList boxes;

private:
    QTimer m_timer;
    std::queue<Handler> m_handlers;
    QWidget *m_ignored = nullptr;
};
