#include "assets/gl_context_tag.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>

#include <cstdio>
#include <map>
#include <set>

// Each context we meet gets a small buffer object holding a marker and its serial. Nothing else in
// the game makes buffer objects, and a buffer's contents cannot turn up by chance in another context,
// so finding our marker with a known serial proves which context is current.
namespace {

constexpr unsigned long long kTagMarker = 0x5053334454414721ull;

struct TagWords {
    unsigned long long marker = 0;
    unsigned long long serial = 0;
};

std::map<unsigned long long, GLuint> tagBufferOfSerial;
unsigned long long lastSerial = 0;

bool contextHasBufferObjects() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    if (!version || std::sscanf(version, "%d.%d", &major, &minor) != 2) return false;
    return major > 1 || (major == 1 && minor >= 5);
}

// Runs `body` with `buffer` bound as the array buffer and puts the previous binding back.
template <typename Body>
void withArrayBuffer(GLuint buffer, Body body) {
    GLint previous = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &previous);
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    body();
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(previous));
}

bool readTag(GLuint buffer, TagWords& words) {
    if (!glIsBuffer(buffer)) return false;
    bool read = false;
    withArrayBuffer(buffer, [&] {
        GLint size = 0;
        glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
        if (size != static_cast<GLint>(sizeof words)) return;
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof words, &words);
        read = true;
    });
    return read;
}

unsigned long long findTag() {
    std::set<GLuint> names;
    for (const auto& entry : tagBufferOfSerial) names.insert(entry.second);
    for (GLuint name : names) {
        TagWords words;
        if (!readTag(name, words) || words.marker != kTagMarker) continue;
        auto known = tagBufferOfSerial.find(words.serial);
        if (known != tagBufferOfSerial.end() && known->second == name) return words.serial;
    }
    return 0;
}

unsigned long long makeTag() {
    GLuint name = 0;
    glGenBuffers(1, &name);
    if (name == 0) return 0;
    TagWords words{kTagMarker, lastSerial + 1};
    withArrayBuffer(name, [&] {
        glBufferData(GL_ARRAY_BUFFER, sizeof words, &words, GL_STATIC_DRAW);
    });
    lastSerial = words.serial;
    tagBufferOfSerial[words.serial] = name;
    return words.serial;
}

}  // namespace

unsigned long long CurrentGLContextSerial() {
    if (!SDL_GL_GetCurrentContext()) return 0;
    if (!contextHasBufferObjects()) return 0;
    unsigned long long serial = findTag();
    return serial != 0 ? serial : makeTag();
}
