// The private commands through which a download reports to the update
// dialog: WM_COMMAND with the id as the whole wParam and a value in lParam.
#pragma once

// lParam: the expected package size in bytes (0 when unknown).
constexpr unsigned kCommandDownloadStarted = 1026;
// lParam: the bytes written to the file so far.
constexpr unsigned kCommandDownloadProgress = 1027;
constexpr unsigned kCommandDownloadFailed = 1028;
constexpr unsigned kCommandPackageReady = 1029;
// The package file is held open by another process.
constexpr unsigned kCommandPackageFileBusy = 1030;

// The transfer's block: a progress command follows every one.
constexpr unsigned kDownloadBlockSize = 8192;

// Every request to the update server introduces itself so.
inline constexpr char kUpdateUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
