#include "ListingEdit.h"

void CListingEdit::ReplaceListing(LPCTSTR pszText)
{
    const int nFirstLine = GetFirstVisibleLine();
    SetWindowText(pszText);
    // A new text starts at its top; scroll by what is missing, which also holds if the text was the same.
    if (nFirstLine > 0)
        LineScroll(nFirstLine - GetFirstVisibleLine());
}
