#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

// The "Confirm" question asked before a command changes something. Every
// command asks through here, so that a test can answer in place of a person
// by installing an answerer.
class TUTYConfirm
{
public:
    struct Question {
        QString text;
        QMessageBox::Icon icon = QMessageBox::Question;
        QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
        QMessageBox::StandardButton defaultButton = QMessageBox::No;
    };
    // Gives the button a person would have pressed.
    using Answerer = std::function<QMessageBox::StandardButton(const Question &)>;

    // True when the answer is Yes (or Ok). Without an answerer the question
    // is a modal box parented to the application's floater.
    static bool ask(const Question &question);
    static bool yesNo(const QString &text, QMessageBox::StandardButton defaultButton = QMessageBox::No);
    // A warning box; okCancel chooses Ok and Cancel instead of Yes and No.
    static bool warning(const QString &text, bool okCancel = false);

    // An empty answerer goes back to asking in a box.
    static void setAnswerer(Answerer answerer);

private:
    static QMessageBox::StandardButton askInBox(const Question &question);
};
