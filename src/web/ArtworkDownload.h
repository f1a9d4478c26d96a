#pragma once
// Downloading a song's artwork into the artwork folder. Runs on a worker: it
// blocks only its caller and touches no shared state.
#include <string>

// The picture at `url`, always over HTTP, saved into `folder`; its path, or
// empty when there is no address, no answer, an error status or no bytes.
// Whether it decodes is for the caller to find out.
std::wstring DownloadArtwork(const std::wstring& folder, const std::wstring& url);
