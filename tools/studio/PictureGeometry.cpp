#include "studio/PictureGeometry.h"

PictureRect pictureRect(int frameWidth, int frameHeight) {
    PictureRect rect;
    if (frameWidth * 3 >= frameHeight * 4) {
        rect.height = frameHeight;
        rect.width = frameHeight * 4 / 3;
    } else {
        rect.width = frameWidth;
        rect.height = frameWidth * 3 / 4;
    }
    rect.x = (frameWidth - rect.width) / 2 & ~1;
    rect.y = (frameHeight - rect.height) / 2 & ~1;
    return rect;
}
