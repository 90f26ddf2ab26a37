#include "TUIEOptionWidgets.h"

#include <QAbstractButton>
#include <QGroupBox>

namespace {
// Option word and object name; "stage" is a box in one form, a check box in the other.
const std::pair<const char *, const char *> kNames[] = {
    {"audio", "audioCB"},           {"database", "databaseCB"},         {"element", "elementCB"},
    {"timing", "timingCB"},         {"final", "finalCB"},               {"stage", "stageBox"},
    {"stage", "stageCB"},           {"other", "otherCB"},               {"annotation", "annotationCB"},
    {"outside_drawings", "outsideCB"}, {"palette", "paletteBox"},       {"env_palette", "envPaletteCB"},
    {"job_palette", "jobPaletteCB"}, {"scene_palette", "scenePaletteCB"}, {"backup_palette", "backupPaletteCB"},
    {"group", "groupBox"},          {"env_group", "envGroupCB"},        {"job_group", "jobGroupCB"},
    {"scene_group", "sceneGroupCB"}, {"library", "libraryBox"},         {"env_library", "envLibraryCB"},
    {"job_library", "jobLibraryCB"}, {"scene_library", "sceneLibraryCB"}};

// What "Export" or "Import" needs one of.
const char *const kTopLevel[] = {"audio", "database", "final", "other", "element", "timing",
                                 "stage", "palette", "group", "library", "annotation"};

bool isChecked(const QWidget *widget)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->isChecked();
    const auto *box = qobject_cast<const QGroupBox *>(widget);
    return box && box->isChecked();
}

void setChecked(QWidget *widget, bool on)
{
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        button->setChecked(on);
    else if (auto *box = qobject_cast<QGroupBox *>(widget))
        box->setChecked(on);
}
} // namespace

TUIEOptionWidgets::TUIEOptionWidgets(QWidget *form)
    : m_form(form)
{
    for (const auto &[word, name] : kNames) {
        if (QWidget *widget = form->findChild<QWidget *>(QLatin1String(name)))
            m_widgets.insert(QLatin1String(word), widget);
    }
}

bool TUIEOptionWidgets::isOn(const QString &word) const
{
    const QWidget *widget = m_widgets.value(word);
    if (!widget || !isChecked(widget))
        return false;
    const auto *box = qobject_cast<const QGroupBox *>(widget->parentWidget());
    return !box || !box->isCheckable() || box->isChecked();
}

void TUIEOptionWidgets::setOn(const QString &word, bool on)
{
    if (QWidget *widget = m_widgets.value(word))
        setChecked(widget, on);
}

void TUIEOptionWidgets::setAll(bool on)
{
    for (QWidget *widget : qAsConst(m_widgets))
        setChecked(widget, on);
}

void TUIEOptionWidgets::setDefaults()
{
    setAll(false);
    for (const char *word : {"database", "element", "timing", "stage"})
        setOn(QLatin1String(word), true);
}

bool TUIEOptionWidgets::anyOn() const
{
    for (const char *word : kTopLevel) {
        if (isOn(QLatin1String(word)))
            return true;
    }
    return false;
}

bool TUIEOptionWidgets::checked(const char *name) const
{
    const auto *button = m_form->findChild<QAbstractButton *>(QLatin1String(name));
    return button && button->isChecked();
}

TUIECopier::LinkMode TUIEOptionWidgets::linkMode() const
{
    if (checked("copyRB"))
        return TUIECopier::CopyFiles;
    if (checked("symRB"))
        return TUIECopier::Symbolic;
    if (checked("hardSymRB"))
        return TUIECopier::HardOrSymbolic;
    return TUIECopier::HardOrCopy;
}

void TUIEOptionWidgets::setLinkMode(TUIECopier::LinkMode mode)
{
    const char *names[] = {"hardCopyRB", "hardSymRB", "symRB", "copyRB"};
    if (auto *button = m_form->findChild<QAbstractButton *>(QLatin1String(names[mode])))
        button->setChecked(true);
}

bool TUIEOptionWidgets::keepValidLinks() const
{
    return checked("keepValidRB");
}

bool TUIEOptionWidgets::resolveValidLinks() const
{
    return checked("resolveValidRB");
}

bool TUIEOptionWidgets::keepBrokenLinks() const
{
    return checked("keepBrokenRB");
}
