// Where the show's 4:3 picture sits in a frame of any size: as large as fits,
// centred, black bars on the two other sides (pillarboxed in a wide frame,
// letterboxed in a tall one). The offsets are even, so that the picture starts on
// a whole chroma sample in a 4:2:0 video frame.
#pragma once

struct PictureRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The picture's place in a frameWidth x frameHeight frame; 800 x 600 fills it.
PictureRect pictureRect(int frameWidth, int frameHeight);
