#include "platform/scaled_frame.h"

#include <GL/glext.h>
#include <SDL.h>

#include <string>

namespace {

// The calls beyond OpenGL 1.x, loaded once per context.
struct FrameCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
    // Shaders (OpenGL 2.0); without them the frame is scaled by a framebuffer blit.
    PFNGLCREATESHADERPROC createShader = nullptr;
    PFNGLSHADERSOURCEPROC shaderSource = nullptr;
    PFNGLCOMPILESHADERPROC compileShader = nullptr;
    PFNGLDELETESHADERPROC deleteShader = nullptr;
    PFNGLCREATEPROGRAMPROC createProgram = nullptr;
    PFNGLATTACHSHADERPROC attachShader = nullptr;
    PFNGLLINKPROGRAMPROC linkProgram = nullptr;
    PFNGLGETPROGRAMIVPROC getProgramiv = nullptr;
    PFNGLUSEPROGRAMPROC useProgram = nullptr;
    PFNGLDELETEPROGRAMPROC deleteProgram = nullptr;
};
FrameCalls calls;

template <typename Fn>
bool load(Fn& fn, const char* name, const char* suffix = "") {
    fn = reinterpret_cast<Fn>(SDL_GL_GetProcAddress((std::string(name) + suffix).c_str()));
    return fn != nullptr;
}

constexpr const char* kVertexShader =
    "#version 110\n"
    "varying vec2 at;\n"
    "void main() { at = gl_MultiTexCoord0.xy; gl_Position = gl_Vertex; }\n";
constexpr const char* kFragmentShader =
    "#version 110\n"
    "uniform sampler2D frame;\n"
    "varying vec2 at;\n"
    "void main() { gl_FragColor = texture2D(frame, at); }\n";

// OpenGL 3.0 and ARB_framebuffer_object name the framebuffer calls plainly, the older
// extensions with EXT.
bool loadCalls() {
    calls = FrameCalls{};
    const char* suffix = "";
    if (!SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object")) {
        if (!SDL_GL_ExtensionSupported("GL_EXT_framebuffer_object") || !SDL_GL_ExtensionSupported("GL_EXT_framebuffer_blit"))
            return false;
        suffix = "EXT";
    }
    const bool framebuffers =
        load(calls.genFramebuffers, "glGenFramebuffers", suffix) &&
        load(calls.deleteFramebuffers, "glDeleteFramebuffers", suffix) &&
        load(calls.bindFramebuffer, "glBindFramebuffer", suffix) &&
        load(calls.framebufferTexture2D, "glFramebufferTexture2D", suffix) &&
        load(calls.genRenderbuffers, "glGenRenderbuffers", suffix) &&
        load(calls.deleteRenderbuffers, "glDeleteRenderbuffers", suffix) &&
        load(calls.bindRenderbuffer, "glBindRenderbuffer", suffix) &&
        load(calls.renderbufferStorage, "glRenderbufferStorage", suffix) &&
        load(calls.framebufferRenderbuffer, "glFramebufferRenderbuffer", suffix) &&
        load(calls.checkFramebufferStatus, "glCheckFramebufferStatus", suffix) &&
        load(calls.blitFramebuffer, "glBlitFramebuffer", suffix);
    if (!framebuffers) {
        calls = FrameCalls{};
        return false;
    }
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const bool shaders = version && version[0] >= '2' && version[0] <= '9' &&
                         load(calls.createShader, "glCreateShader") && load(calls.shaderSource, "glShaderSource") &&
                         load(calls.compileShader, "glCompileShader") && load(calls.deleteShader, "glDeleteShader") &&
                         load(calls.createProgram, "glCreateProgram") && load(calls.attachShader, "glAttachShader") &&
                         load(calls.linkProgram, "glLinkProgram") && load(calls.getProgramiv, "glGetProgramiv") &&
                         load(calls.useProgram, "glUseProgram") && load(calls.deleteProgram, "glDeleteProgram");
    if (!shaders) calls.createShader = nullptr;
    return true;
}

}  // namespace

void ScaledFrame::makeProgram() {
    if (!calls.createShader) return;
    const GLuint vertex = calls.createShader(GL_VERTEX_SHADER), fragment = calls.createShader(GL_FRAGMENT_SHADER);
    calls.shaderSource(vertex, 1, &kVertexShader, nullptr);
    calls.shaderSource(fragment, 1, &kFragmentShader, nullptr);
    calls.compileShader(vertex);
    calls.compileShader(fragment);
    program_ = calls.createProgram();
    calls.attachShader(program_, vertex);
    calls.attachShader(program_, fragment);
    calls.linkProgram(program_);
    calls.deleteShader(vertex);
    calls.deleteShader(fragment);
    GLint linked = GL_FALSE;
    calls.getProgramiv(program_, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        calls.deleteProgram(program_);
        program_ = 0;
    }
}

bool ScaledFrame::make(int width, int height) {
    release();
    if (width <= 0 || height <= 0 || !loadCalls()) return false;
    width_ = width;
    height_ = height;
    GLint previousTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
    // An unsized format with BGRA data gets a BGRA texture: what the window's buffer holds.
    glGenTextures(1, &colour_);
    glBindTexture(GL_TEXTURE_2D, colour_);
    // Each pixel of the frame simply grows: on llvmpipe that costs some 40 % less than a
    // smoothed picture, and the picture keeps the hard edges it has in a window.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previousTexture));

    calls.genFramebuffers(1, &framebuffer_);
    calls.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    calls.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour_, 0);
    calls.genRenderbuffers(1, &depth_);
    calls.bindRenderbuffer(GL_RENDERBUFFER, depth_);
    calls.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    calls.bindRenderbuffer(GL_RENDERBUFFER, 0);
    calls.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    const bool complete = calls.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    calls.bindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!complete) {
        release();
        return false;
    }
    makeProgram();
    return true;
}

void ScaledFrame::release() {
    if (framebuffer_) {
        calls.bindFramebuffer(GL_FRAMEBUFFER, 0);
        calls.deleteFramebuffers(1, &framebuffer_);
    }
    if (depth_) calls.deleteRenderbuffers(1, &depth_);
    if (colour_) glDeleteTextures(1, &colour_);
    if (program_) calls.deleteProgram(program_);
    framebuffer_ = colour_ = depth_ = program_ = 0;
}

void ScaledFrame::bind() {
    if (!framebuffer_) return;
    calls.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glViewport(0, 0, width_, height_);
}

void ScaledFrame::present(int windowW, int windowH) {
    if (!framebuffer_) return;
    calls.bindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!program_) {
        calls.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
        glPushAttrib(GL_SCISSOR_BIT);
        glDisable(GL_SCISSOR_TEST);
        calls.blitFramebuffer(0, 0, width_, height_, 0, 0, windowW, windowH, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glPopAttrib();
        calls.bindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        return;
    }
    // One rectangle over the window, with nothing of the game's state in its way; the game's
    // next frame finds its state as it left it.
    glPushAttrib(GL_ENABLE_BIT | GL_VIEWPORT_BIT | GL_TEXTURE_BIT | GL_POLYGON_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    for (GLenum test : {GL_DEPTH_TEST, GL_BLEND, GL_CULL_FACE, GL_ALPHA_TEST, GL_SCISSOR_TEST, GL_STENCIL_TEST})
        glDisable(test);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glViewport(0, 0, windowW, windowH);
    glBindTexture(GL_TEXTURE_2D, colour_);
    calls.useProgram(program_);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-1, -1);
    glTexCoord2f(1, 0), glVertex2f(1, -1);
    glTexCoord2f(1, 1), glVertex2f(1, 1);
    glTexCoord2f(0, 1), glVertex2f(-1, 1);
    glEnd();
    calls.useProgram(0);
    glPopAttrib();
}
