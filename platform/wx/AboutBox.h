// CAboutBox: the About box, a plain modal dialog.
#pragma once

#include <wx/dialog.h>

class CAboutBox : public wxDialog
{
public:
    explicit CAboutBox(wxWindow* parent);
};
