#pragma once

// What the frame loop drives: one operation, called once per frame (or once after
// the last frame, for the loop's end client).
class FrameClient {
public:
    virtual void renderFrame() = 0;
    virtual ~FrameClient() = default;
};
