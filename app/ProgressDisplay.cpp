#include "app/ProgressDisplay.h"

#include "platform/dialog_controls.h"
#include "platform/time.h"

#include <cstdio>
#include <limits>
#include <string>

namespace {

// Replaces every occurrence of placeholder, never looking into what it put in.
void ReplaceAll(std::string& text, const std::string& placeholder, const std::string& value) {
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

std::string Format(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// The milliseconds still to go when percent took elapsedMs. Past 100 percent
// the estimate turns negative and means nothing: nothing is left then. A
// slow start could give more than the counter holds: that is kept at its top.
DWORD RemainingMs(double elapsedMs, double percent) {
    const double remaining = elapsedMs * ((100.0 - percent) / percent);
    if (remaining <= 0.0)
        return 0;
    if (remaining >= static_cast<double>(std::numeric_limits<DWORD>::max()))
        return std::numeric_limits<DWORD>::max();
    return static_cast<DWORD>(remaining);
}

std::string RemainingTime(const XMLLocalizer& texts, DWORD remainingMs) {
    const bool minutes = remainingMs > 60000;
    const DWORD amount = minutes ? remainingMs / 60000 : remainingMs / 1000;
    const std::string unit =
        texts.GetText(minutes ? "APP_PROGRESS_MINUTES" : "APP_PROGRESS_SECONDS");
    return std::to_string(amount) + " " + unit;
}

std::string ProgressText(const XMLLocalizer& texts, int done, int total, DWORD elapsedMs) {
    const double percent = done * 100.0 / total;
    std::string text = texts.GetText(percent < 2.0 ? "APP_PROGRESS" : "APP_PROGRESSTIME");
    ReplaceAll(text, "#P", Format("%.1f", percent));
    if (percent >= 2.0)
        ReplaceAll(text, "#T", RemainingTime(texts, RemainingMs(elapsedMs, percent)));
    return text;
}

} // namespace

ProgressDisplay::ProgressDisplay(HWND dialog, const XMLLocalizer& texts)
    : m_Dialog(dialog), m_Texts(texts) {}

void ProgressDisplay::StartProgress(int range) {
    const HWND bar = GetDlgItem(m_Dialog, kProgressBarControl);
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    SendMessageA(bar, PBM_SETRANGE32, 0, range);
    ShowWindow(bar, SW_SHOW);
    SetDlgItemTextA(m_Dialog, kProgressTextControl, "");
    ShowWindow(GetDlgItem(m_Dialog, kProgressTextControl), SW_SHOW);
}

void ProgressDisplay::UpdateProgress(int done, int total, DWORD start) {
    UpdateProgress(done, total, start, timeGetTime());
}

void ProgressDisplay::UpdateProgress(int done, int total, DWORD start, DWORD now) {
    // No size, no percentage: a size past 2 GiB reads as negative here.
    if (total <= 0)
        return;
    // Unsigned difference: right across the wrap of the millisecond counter.
    const DWORD elapsedMs = now - start;
    SendMessageA(GetDlgItem(m_Dialog, kProgressBarControl), PBM_SETPOS, static_cast<WPARAM>(done),
                 0);
    SetDlgItemTextA(m_Dialog, kProgressTextControl,
                    ProgressText(m_Texts, done, total, elapsedMs).c_str());
}

void ProgressDisplay::HideProgress() {
    ShowWindow(GetDlgItem(m_Dialog, kProgressBarControl), SW_HIDE);
    ShowWindow(GetDlgItem(m_Dialog, kProgressTextControl), SW_HIDE);
}

void ProgressDisplay::OnDownloadStarted(LPARAM expectedSize) {
    OnDownloadStarted(expectedSize, timeGetTime());
}

void ProgressDisplay::OnDownloadStarted(LPARAM expectedSize, DWORD now) {
    m_DownloadTotal = static_cast<int>(expectedSize);
    m_DownloadStart = now;
    StartProgress(m_DownloadTotal);
}

void ProgressDisplay::OnDownloadProgress(LPARAM done) {
    OnDownloadProgress(done, timeGetTime());
}

void ProgressDisplay::OnDownloadProgress(LPARAM done, DWORD now) {
    if (m_DownloadTotal == 0)
        return;
    UpdateProgress(static_cast<int>(done), m_DownloadTotal, m_DownloadStart, now);
}

void ProgressDisplay::OnDownloadEnded() {
    HideProgress();
    m_DownloadTotal = 0;
    m_DownloadStart = 0;
}
