// The contents file of a package: every scene it accepts has valid names
// and is read back the same from the line the writer makes of it.
#include "FuzzInput.h"
#include "TUPackageContents.h"
#include "TUSceneNameValidator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput::quiet();
    FuzzInput::Device input(FuzzInput::bytes(data, size));
    TUPackageContents contents;
    contents.read(input);
    for (const TUPackageContents::Scene &scene : contents.scenes()) {
        for (const QString &name : {scene.environment, scene.job, scene.scene})
            FuzzInput::require(TUSceneNameValidator::isValidName(name), "an invalid name accepted");
        FuzzInput::Device line(TUPackageContents::sceneLine(scene).toUtf8());
        TUPackageContents again;
        again.read(line);
        FuzzInput::require(again.scenes().size() == 1 && again.scenes().first().scene == scene.scene
                               && again.scenes().first().versions == scene.versions,
                           "a scene line does not read back");
    }
    return 0;
}
