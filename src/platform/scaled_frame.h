// A frame drawn off screen at a size of our choosing and then drawn into the window at the
// window's size. On Mesa's software rasterizer this is what keeps a large screen as cheap as
// the design's window: the scene costs what it costs at the design's size, and the scaling
// is one textured rectangle, in the form llvmpipe has a fast path for (a BGRA texture, a
// plain sampling shader and a window without a depth buffer).
#pragma once

#include <GL/gl.h>

class ScaledFrame {
public:
    // In the current context; false when it offers no framebuffer objects or the buffer
    // cannot be made, and nothing is left behind.
    bool make(int width, int height);
    // Before the context goes; the objects go with it anyway.
    void release();
    bool made() const { return framebuffer_ != 0; }

    // The frame's own buffer becomes the one drawn into, at the frame's size.
    void bind();
    // Draws the frame over the whole window's back buffer, which stays bound afterwards.
    void present(int windowW, int windowH);

private:
    void makeProgram();

    GLuint framebuffer_ = 0, colour_ = 0, depth_ = 0, program_ = 0;
    int width_ = 0, height_ = 0;
};
