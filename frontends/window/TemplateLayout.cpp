#include "frontends/window/TemplateLayout.h"

#include <wx/settings.h>

void UseDialogFont(wxWindow& panel) {
    panel.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
}

wxRect TemplatePixels(wxWindow& panel, const DialogUnitsRect& rect) {
    return wxRect(panel.ConvertDialogToPixels(wxPoint(rect.x, rect.y)),
                  panel.ConvertDialogToPixels(wxSize(rect.width, rect.height)));
}

void FixTemplateSize(wxWindow& window, wxWindow& panel, const DialogUnitsRect& size) {
    window.SetClientSize(TemplatePixels(panel, size).GetSize());
    const wxSize outer = window.GetSize();
    window.SetMinSize(outer);
    window.SetMaxSize(outer);
}
