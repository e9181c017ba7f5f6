#include "mainform.h"

void TForm1::FillPlugInList()
{
    // Filled in by the pluginlist branch.
}

void TForm1::FindPlugIns(const QString &folder, const QString &pattern, bool recurse)
{
    // Filled in by the pluginlist branch.
    (void)folder;
    (void)pattern;
    (void)recurse;
}

void TForm1::Load1Click()
{
    // Filled in by the pluginlist branch.
}

void TForm1::RemoveAll1Click()
{
    // Filled in by the pluginlist branch.
}
