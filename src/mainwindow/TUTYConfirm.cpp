#include "TUTYConfirm.h"

#include "BUIAPP_Application.h"

#include <QCoreApplication>

namespace {
TUTYConfirm::Answerer &installedAnswerer()
{
    static TUTYConfirm::Answerer instance;
    return instance;
}
} // namespace

bool TUTYConfirm::ask(const Question &question)
{
    const Answerer &answerer = installedAnswerer();
    const QMessageBox::StandardButton answer = answerer ? answerer(question) : askInBox(question);
    return answer == QMessageBox::Yes || answer == QMessageBox::Ok;
}

bool TUTYConfirm::yesNo(const QString &text, QMessageBox::StandardButton defaultButton)
{
    Question question;
    question.text = text;
    question.defaultButton = defaultButton;
    return ask(question);
}

bool TUTYConfirm::warning(const QString &text, bool okCancel)
{
    Question question;
    question.text = text;
    question.icon = QMessageBox::Warning;
    if (okCancel) {
        question.buttons = QMessageBox::Ok | QMessageBox::Cancel;
        question.defaultButton = QMessageBox::Cancel;
    }
    return ask(question);
}

void TUTYConfirm::setAnswerer(Answerer answerer)
{
    installedAnswerer() = std::move(answerer);
}

QMessageBox::StandardButton TUTYConfirm::askInBox(const Question &question)
{
    const BUIAPP_Application *app = BUIAPP_Application::instance();
    QMessageBox box(question.icon, QCoreApplication::translate("TUTYConfirm", "Confirm"), question.text,
                    question.buttons, app ? app->floaterModal() : nullptr);
    box.setDefaultButton(question.defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
