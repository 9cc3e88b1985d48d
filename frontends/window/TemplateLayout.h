// Dialog templates laid out in a toolkit's windows: positions and sizes in
// dialog units become pixels of the dialog's default GUI font, as a
// Windows dialog manager converts them.
#pragma once

#include "app/DialogTemplates.h"

#include <wx/window.h>

// Gives panel the default GUI font that its template's units are measured in.
void UseDialogFont(wxWindow& panel);

// The template rectangle in pixels of panel's font.
wxRect TemplatePixels(wxWindow& panel, const DialogUnitsRect& rect);

// Makes window's client area exactly the template's size, and fixed.
void FixTemplateSize(wxWindow& window, wxWindow& panel, const DialogUnitsRect& size);
