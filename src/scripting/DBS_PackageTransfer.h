#pragma once

class DBS_ExportDataWrapper;
class DBS_ImportDataWrapper;
class DBS_Mediator;
class TUDbSelect;

// Runs the package export and import that scripts ask for, with the
// package parts and link options of their data objects; the link options
// must have been completed. Failures are reported through the mediator.
class DBS_PackageTransfer
{
public:
    DBS_PackageTransfer(DBS_Mediator &mediator, TUDbSelect *select) : m_mediator(mediator), m_select(select) {}

    bool exportScenes(const DBS_ExportDataWrapper &data);
    bool importScenes(const DBS_ImportDataWrapper &data);

private:
    DBS_Mediator &m_mediator;
    TUDbSelect *m_select;
};
