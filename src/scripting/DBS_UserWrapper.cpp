#include "DBS_UserWrapper.h"

#include <QCoreApplication>

QString DBS_UserWrapper::typeToString(int id) const
{
    // Animators have no display name of their own in the studio's lists.
    static const char *const names[] = {
        QT_TRANSLATE_NOOP("DBS_UserWrapper", "R & D"),       QT_TRANSLATE_NOOP("DBS_UserWrapper", "Executive"),
        QT_TRANSLATE_NOOP("DBS_UserWrapper", "Coordinator"), QT_TRANSLATE_NOOP("DBS_UserWrapper", "Application"),
        QT_TRANSLATE_NOOP("DBS_UserWrapper", "TD"),          QT_TRANSLATE_NOOP("DBS_UserWrapper", "Archive"),
        QT_TRANSLATE_NOOP("DBS_UserWrapper", "Xsheet"),      QT_TRANSLATE_NOOP("DBS_UserWrapper", "Scan"),
        QT_TRANSLATE_NOOP("DBS_UserWrapper", "Ink & Paint")};
    if (id < 0 || id >= int(sizeof names / sizeof names[0]))
        return tr("UNKNOWN TYPE");
    return tr(names[id]);
}
