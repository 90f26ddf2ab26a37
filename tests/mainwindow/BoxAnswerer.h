#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

// Answers the next message box that opens modally, so that a test can go
// through a question without a person: it notes the box's title, text and
// default button and clicks the chosen answer.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QMessageBox::StandardButton answer)
    {
        connect(&m_timer, &QTimer::timeout, this, [this, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            m_timer.stop();
            m_title = box->windowTitle();
            m_text = box->text();
            m_default = box->standardButton(box->defaultButton());
            m_answered = true;
            if (QAbstractButton *button = box->button(answer))
                button->click();
        });
        m_timer.start(10);
    }

    bool answered() const { return m_answered; }
    QString title() const { return m_title; }
    QString text() const { return m_text; }
    QMessageBox::StandardButton defaultButton() const { return m_default; }

private:
    QTimer m_timer;
    bool m_answered = false;
    QString m_title;
    QString m_text;
    QMessageBox::StandardButton m_default = QMessageBox::NoButton;
};
