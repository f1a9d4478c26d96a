#pragma once
// Where the fetched artwork is shown; the window that owns the picture
// implements it, so that the fetch itself needs no window.
#include <string>

class ArtworkView {
public:
    virtual ~ArtworkView() = default;
    // Shows the saved picture. False, the view cleared, when the file holds
    // no picture the view can decode.
    virtual bool ShowArtwork(const std::wstring& path) = 0;
    virtual void ClearArtwork() = 0;
};
