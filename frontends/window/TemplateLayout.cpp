#include "frontends/window/TemplateLayout.h"

#include <wx/settings.h>

namespace {

// The dialog base units of panel's font as Windows measures them: the
// average width of the 52 Latin letters, rounded, and the font's height.
wxSize BaseUnits(wxWindow& panel) {
    const wxSize letters =
        panel.GetTextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return wxSize((letters.GetWidth() / 26 + 1) / 2, panel.GetCharHeight());
}

// value * numerator / denominator, rounded to nearest, as MulDiv does.
int MulDiv(int value, int numerator, int denominator) {
    return static_cast<int>((static_cast<long long>(value) * numerator + denominator / 2) /
                            denominator);
}

} // namespace

void UseDialogFont(wxWindow& panel) {
    panel.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
}

wxRect TemplatePixels(wxWindow& panel, const DialogUnitsRect& rect) {
    const wxSize base = BaseUnits(panel);
    return wxRect(MulDiv(rect.x, base.GetWidth(), 4), MulDiv(rect.y, base.GetHeight(), 8),
                  MulDiv(rect.width, base.GetWidth(), 4), MulDiv(rect.height, base.GetHeight(), 8));
}

void FixTemplateSize(wxWindow& window, wxWindow& panel, const DialogUnitsRect& size) {
    window.SetClientSize(TemplatePixels(panel, size).GetSize());
    const wxSize outer = window.GetSize();
    window.SetMinSize(outer);
    window.SetMaxSize(outer);
}
