// The About box: name and version, credits, the project's address and where to read more.
#include "platform/wx/AboutBox.h"

#include "about/AboutText.h"
#include "resources/Resource.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

CAboutBox::CAboutBox(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, tallyvolt::text::kAboutTitle, wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX)
{
    const int gap = FromDIP(7);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();

    auto* top = new wxBoxSizer(wxHORIZONTAL);
    top->Add(new wxStaticText(this, wxID_STATIC, tallyvolt::text::kAboutVersionLine), 1,
             wxALIGN_TOP);
    top->Add(ok, 0, wxALIGN_TOP | wxLEFT, gap * 4);

    // Credits, an empty line, the address, an empty line, the instructions.
    auto* text = new wxStaticText(this, wxID_STATIC,
                                  wxString::Format("%s\n\n%s\n\n%s", tallyvolt::about::kCredits,
                                                   tallyvolt::about::kAddress,
                                                   tallyvolt::text::kAboutInstructions));
    text->Wrap(FromDIP(320));

    auto* root = new wxBoxSizer(wxVERTICAL);
    root->Add(top, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, gap * 2);
    root->Add(text, 0, wxEXPAND | wxALL, gap * 2);
    SetSizerAndFit(root);
    ok->SetFocus();
    CentreOnParent();
}
