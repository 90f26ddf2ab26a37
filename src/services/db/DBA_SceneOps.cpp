// being written
#include "DBA_SceneOps.h"
// Placeholder while the scene operations are written; only close exists.
void DBA_SceneOps::dba_CloseScene(dba_scene_struct &scene) { scene = dba_scene_struct(); }
