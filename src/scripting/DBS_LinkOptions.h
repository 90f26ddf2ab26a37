#pragma once

// The link options of export and import come in three groups; a group in
// which nothing was chosen takes its safe default: copy files, keep valid
// symbolic links, keep broken ones.
template <class Wrapper>
void DBS_completeLinkOptions(Wrapper &w)
{
    if (!w.hard && !w.sym && !w.copy)
        w.copy = true;
    if (!w.keepValidSym && !w.ignoreValidSym && !w.resolveSym)
        w.keepValidSym = true;
    if (!w.keepBrokenSym && !w.ignoreBrokenSym)
        w.keepBrokenSym = true;
}
