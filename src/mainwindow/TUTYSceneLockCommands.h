#pragma once

#include "TUTYCommands.h"

struct dba_scene_struct;

// Check-out, check-in and the forced releases of scene locks, on the
// selected scenes of the window's open job. Reached from the Scene menu.
class TUTYSceneLockCommands : public TUTYCommands
{
    Q_OBJECT
public:
    explicit TUTYSceneLockCommands(TUTallyard &window);

    static QString forceCheckinQuestion(const QString &scene);
    static QString forceUnlockQuestion(const QString &scene);

public slots:
    void checkoutScene();
    void checkinScene();
    void forceCheckinScene();
    void unlockScene();
    void unlockSceneVersion();

private:
    // Who checked a scene out, empty when it is not; false, reported, when
    // the scene cannot be opened.
    bool readCheckout(const QString &name, QString &user);
    void checkoutOne(const QString &name);
    void forceCheckinOne(const QString &name, bool anyUser);
    void unlockOne(const QString &name, bool anyUser);
    // The selected scenes; empty, with the error noSelection, when none is.
    QStringList selection(const char *noSelection) const;
    void reportNotOwner(const QString &name) const;
    void reportCheckinRefusal() const;
};
