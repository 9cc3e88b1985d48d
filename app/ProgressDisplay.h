// The progress display of the update dialog: the progress bar (control 1004)
// and the progress text (control 1005) during a package download, with the
// download's expected size and start time.
#pragma once

#include "localization/XMLLocalizer.h"
#include "platform/win_types.h"

class ProgressDisplay {
public:
    static constexpr int kProgressBarControl = 1004;
    static constexpr int kProgressTextControl = 1005;

    // Shows on dialog with texts from texts, which must outlive this object.
    ProgressDisplay(HWND dialog, const XMLLocalizer& texts);

    // Empties and shows the bar, now running from 0 to range bytes, and the text.
    void StartProgress(int range);
    // Moves the bar to done and shows the percentage of total, with the time
    // left once 2 percent are done, estimated from the time since start.
    void UpdateProgress(int done, int total, DWORD start);
    void UpdateProgress(int done, int total, DWORD start, DWORD now);
    void HideProgress();

    // The download commands: started with the expected size, progress with
    // the bytes done (ignored while no size is known), and the end of a
    // download that failed or could not write its file.
    void OnDownloadStarted(LPARAM expectedSize);
    void OnDownloadStarted(LPARAM expectedSize, DWORD now);
    void OnDownloadProgress(LPARAM done);
    void OnDownloadProgress(LPARAM done, DWORD now);
    void OnDownloadEnded();

    int DownloadTotal() const { return m_DownloadTotal; }
    DWORD DownloadStart() const { return m_DownloadStart; }

private:
    HWND m_Dialog;
    const XMLLocalizer& m_Texts;
    int m_DownloadTotal = 0;
    DWORD m_DownloadStart = 0;
};
