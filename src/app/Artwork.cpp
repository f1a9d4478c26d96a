#include "app/Artwork.h"

#include "kit/Image.h"
#include "kit/StaticText.h"
#include "processing/BitmapFile.h"

namespace kit {

bool ShowArtwork(StaticText& frame, const std::wstring& path) {
    boost::shared_ptr<Bitmap> bitmap = LoadBitmapFile(path);
    if (!bitmap) {
        frame.ClearImage();
        return false;
    }
    // the image copies the pixels; the bitmap goes when this returns
    frame.SetImage(Image::Create(bitmap));
    return true;
}

}  // namespace kit
