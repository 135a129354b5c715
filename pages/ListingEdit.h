// The listing box of the register pages: a read-only multi-line edit whose listing is replaced by a fresh
// one with the same line kept on top, so that a refresh does not lose the place the user scrolled to.
#pragma once

#include <afxwin.h>

class CListingEdit : public CEdit
{
public:
    // Shows pszText in place of the listing, scrolled down as far as the old one was.
    void ReplaceListing(LPCTSTR pszText);
};
