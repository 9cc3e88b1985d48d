#include "frontends/window/UpdateWindow.h"

#include "app/DialogTemplates.h"
#include "frontends/window/PageView.h"
#include "frontends/window/TemplateLayout.h"
#include "platform/resources.h"
#include "platform/time.h"

#include <wx/button.h>
#include <wx/control.h>
#include <wx/gauge.h>
#include <wx/iconbndl.h>
#include <wx/image.h>
#include <wx/mstream.h>
#include <wx/panel.h>
#include <wx/stattext.h>

#include <algorithm>

namespace {

using platform::DialogChangeKind;
using platform::DialogControlState;

// Progress reaches the screen at most this often.
constexpr long kProgressIntervalMs = 1000 / 30;

// The program icon, resource 128, at the sizes a desktop asks for.
wxIconBundle ProgramIcons() {
    wxIconBundle icons;
    const HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(128), "PNG");
    if (resource == nullptr)
        return icons;
    wxMemoryInputStream stream(LockResource(LoadResource(nullptr, resource)),
                               SizeofResource(nullptr, resource));
    const wxImage image(stream, wxBITMAP_TYPE_PNG);
    if (!image.IsOk())
        return icons;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        wxIcon icon;
        icon.CopyFromBitmap(wxBitmap(image.Scale(size, size, wxIMAGE_QUALITY_HIGH)));
        icons.AddIcon(icon);
    }
    return icons;
}

bool IsProgress(const platform::DialogChange& change) {
    return change.kind == DialogChangeKind::ProgressPosition ||
           (change.kind == DialogChangeKind::Text && change.controlId == kProgressText);
}

bool IsWithin(const wxWindow* window, const wxWindow* ancestor) {
    for (; window != nullptr; window = window->GetParent())
        if (window == ancestor)
            return true;
    return false;
}

} // namespace

UpdateWindow::UpdateWindow(std::function<void(int)> press)
    : wxFrame(nullptr, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      press_(std::move(press)), panel_(new wxPanel(this)) {
    UseDialogFont(*panel_);
    const auto rect = [this](int id) {
        return TemplatePixels(*panel_, TemplateRect(kUpdateDialogItems, id));
    };
    const auto addButton = [&](int id) {
        auto* button =
            new wxButton(panel_, id, wxEmptyString, rect(id).GetPosition(), rect(id).GetSize());
        button->Bind(wxEVT_BUTTON, [this, id](wxCommandEvent&) { Press(id); });
        controls_[id] = button;
        return button;
    };
    const auto addText = [&](int id, long alignment) {
        controls_[id] = new wxStaticText(panel_, id, wxEmptyString, rect(id).GetPosition(),
                                         rect(id).GetSize(), alignment | wxST_NO_AUTORESIZE);
    };
    // Start waits for the run to offer it.
    addButton(kStartButton)->SetDefault();
    controls_[kStartButton]->Disable();
    addButton(kCancelButton);
    addText(kCurrentVersionLabel, wxALIGN_LEFT);
    addText(kInstalledVersionText, wxALIGN_LEFT);
    addText(kUpdateVersionLabel, wxALIGN_LEFT);
    addText(kOfferedVersionText, wxALIGN_LEFT);
    controls_[kProgressBar] =
        new wxGauge(panel_, kProgressBar, 100, rect(kProgressBar).GetPosition(),
                    rect(kProgressBar).GetSize(), wxGA_HORIZONTAL | wxGA_SMOOTH);
    addText(kProgressText, wxALIGN_CENTRE_HORIZONTAL);
    page_ = std::make_unique<PageView>(*panel_, kBrowserControl, rect(kBrowserControl));
    addText(kVersionText, wxALIGN_RIGHT);

    SetIcons(ProgramIcons());
    FixTemplateSize(*this, *panel_, kUpdateDialogSize);
    Centre();

    progressTimer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { ShowHeldProgress(); });
    Bind(wxEVT_CHAR_HOOK, &UpdateWindow::OnCharHook, this);
    Bind(wxEVT_CLOSE_WINDOW, &UpdateWindow::OnClose, this);
}

UpdateWindow::~UpdateWindow() = default;

bool UpdateWindow::Show(bool show) {
    if (show && shownAt_ == 0)
        shownAt_ = GetTickCount();
    return wxFrame::Show(show);
}

wxWindow* UpdateWindow::Control(int id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

void UpdateWindow::Follow(const platform::DialogChange& change, DWORD arrivedAt) {
    if (change.kind == DialogChangeKind::Caption) {
        SetTitle(wxString::FromUTF8(change.control.text));
        return;
    }
    if (!IsProgress(change)) {
        Apply(change.controlId, change.kind, change.control);
        return;
    }
    // Progress that came before the window appeared waited for the window's
    // start, not for its display.
    if (heldProgress_.empty())
        heldSince_ =
            shownAt_ != 0 && static_cast<LONG>(shownAt_ - arrivedAt) > 0 ? shownAt_ : arrivedAt;
    heldProgress_[{change.controlId, change.kind}] = change.control;
    const long sinceShown = (wxGetLocalTimeMillis() - progressShownAt_).ToLong();
    if (sinceShown >= kProgressIntervalMs)
        ShowHeldProgress();
    else if (!progressTimer_.IsRunning())
        progressTimer_.StartOnce(static_cast<int>(kProgressIntervalMs - sinceShown));
}

void UpdateWindow::ShowHeldProgress() {
    progressTimer_.Stop();
    if (heldProgress_.empty())
        return;
    for (const auto& [control, state] : heldProgress_)
        Apply(control.first, control.second, state);
    heldProgress_.clear();
    progressShownAt_ = wxGetLocalTimeMillis();
    if (progressShown_)
        progressShown_(GetTickCount() - heldSince_);
}

void UpdateWindow::Apply(int id, DialogChangeKind kind, const DialogControlState& state) {
    if (id == kBrowserControl && kind == DialogChangeKind::Text) {
        page_->Navigate(state.text);
        return;
    }
    wxWindow* control = Control(id);
    if (control == nullptr)
        return;
    switch (kind) {
    case DialogChangeKind::Text:
        // Narrow texts are in the ANSI code page, which is UTF-8 here.
        control->SetLabel(wxString::FromUTF8(state.text));
        if (id == kCurrentVersionLabel || id == kUpdateVersionLabel)
            FitLabelColumn();
        break;
    case DialogChangeKind::Visible:
        control->Show(state.visible);
        break;
    case DialogChangeKind::Enabled:
        control->Enable(state.enabled);
        // The default button takes the focus when it comes alive, so that
        // Enter presses it, unless the user is at work in the page; disabled,
        // it hands the focus on to Cancel, as a dialog does, so that the
        // window keeps taking keys (Escape).
        if (id == kStartButton && state.enabled && !IsWithin(FindFocus(), page_->View()))
            control->SetFocus();
        if (id == kStartButton && !state.enabled &&
            (FindFocus() == control || FindFocus() == nullptr))
            Control(kCancelButton)->SetFocus();
        break;
    case DialogChangeKind::ProgressRange:
    case DialogChangeKind::ProgressPosition:
        if (auto* bar = dynamic_cast<wxGauge*>(control)) {
            // An empty range (no size known) leaves the bar empty.
            const int range = state.rangeHigh - state.rangeLow;
            bar->SetRange(std::max(range, 1));
            bar->SetValue(range > 0 ? std::clamp(state.position - state.rangeLow, 0, range) : 0);
        }
        break;
    case DialogChangeKind::Caption:
        break;
    }
}

void UpdateWindow::FitLabelColumn() {
    // The template's label column is too narrow for some languages in some
    // fonts ("Versione dell'aggiornamento:"): it widens to its longest label,
    // and the values beside it give up as much on their left.
    const wxRect label =
        TemplatePixels(*panel_, TemplateRect(kUpdateDialogItems, kCurrentVersionLabel));
    const wxRect value =
        TemplatePixels(*panel_, TemplateRect(kUpdateDialogItems, kInstalledVersionText));
    int width = label.width;
    for (int id : {kCurrentVersionLabel, kUpdateVersionLabel}) {
        wxWindow& text = *Control(id);
        width = std::max(width, text.GetTextExtent(wxControl::RemoveMnemonics(text.GetLabel())).x);
    }
    const int shift = width - label.width;
    for (int id : {kCurrentVersionLabel, kUpdateVersionLabel})
        Control(id)->SetSize(width, -1);
    for (int id : {kInstalledVersionText, kOfferedVersionText}) {
        wxWindow& text = *Control(id);
        text.SetSize(value.x + shift, text.GetPosition().y, value.width - shift, value.height);
    }
}

void UpdateWindow::Press(int button) {
    const wxWindow* control = Control(button);
    if (control != nullptr && control->IsEnabled())
        press_(button);
}

void UpdateWindow::OnCharHook(wxKeyEvent& event) {
    switch (event.GetKeyCode()) {
    case WXK_ESCAPE:
        Press(kCancelButton);
        return;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER: {
        // A focused button takes Enter itself, and so does the page.
        const wxWindow* focus = FindFocus();
        if (dynamic_cast<const wxButton*>(focus) != nullptr || IsWithin(focus, page_->View()))
            break;
        Press(kStartButton);
        return;
    }
    default:
        break;
    }
    event.Skip();
}

void UpdateWindow::OnClose(wxCloseEvent& event) {
    // The close box is Cancel: the run decides whether the window goes.
    if (event.CanVeto())
        event.Veto();
    Press(kCancelButton);
}
