#pragma once
// A static control of a dialog template; it can show a picture, letterboxed.
#include <boost/shared_ptr.hpp>

#include "kit/Brush.h"
#include "kit/Image.h"
#include "kit/Window.h"

namespace kit {

class StaticText : public Window {
public:
    // Shows `image` (may be empty); the first call makes the background brush.
    void SetImage(const boost::shared_ptr<Image>& image);
    // Lets go of the picture; the frame shows its background (if any).
    void ClearImage();

    LRESULT OnPaint(WPARAM wParam, LPARAM lParam) override;

    const boost::shared_ptr<Image>& image() const { return image_; }
    const boost::shared_ptr<Brush>& background() const { return background_; }

private:
    boost::shared_ptr<Image> image_;
    boost::shared_ptr<Brush> background_;
};

}  // namespace kit
