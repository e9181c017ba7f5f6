#include "mainform.h"

void TForm1::Image16Click()
{
    // English: filled in by the languages branch.
}

void TForm1::Image14Click()
{
    // French: filled in by the languages branch.
}

void TForm1::Image2Click()
{
    // German: filled in by the languages branch.
}

void TForm1::Image13Click()
{
    // Spanish: filled in by the languages branch.
}

void TForm1::Image4Click()
{
    // Portuguese: filled in by the languages branch.
}

void TForm1::Image3Click()
{
    // Italian: filled in by the languages branch.
}

void TForm1::Image5Click()
{
    // Japanese: filled in by the languages branch.
}

void TForm1::FormCloseQuery(bool &CanClose)
{
    // The promotion dialog: filled in by the languages branch.
    (void)CanClose;
}
