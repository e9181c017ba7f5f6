#include "mainform.h"

void TForm1::FlatButton1Click()
{
    // Optimize: filled in by the readerhelpers branch.
}

void TForm1::FlatButton2Click()
{
    // Restore: filled in by the readerhelpers branch.
}
