#include "app/Artwork.h"

#include "kit/Image.h"
#include "kit/StaticText.h"
#include "processing/BitmapFile.h"

namespace kit {

void ShowArtwork(StaticText& frame, const std::wstring& path) {
    boost::shared_ptr<Bitmap> bitmap = LoadBitmapFile(path);
    if (!bitmap) {
        frame.ClearImage();
        return;
    }
    // the image copies the pixels; the bitmap goes when this returns
    frame.SetImage(Image::Create(bitmap));
}

}  // namespace kit
