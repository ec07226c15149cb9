// Credits, three pages: a title, a name line and small lines that tumble about
// one another as the clock runs at one degree per frame.
#include <GL/gl.h>

#include "game/game_state.h"
#include "render/screens/screens.h"
#include "platform/text.h"

namespace {

struct TumblingLine {
    float ax, ay, az;  // rotation axis; the angle is the clock
    const char* text;
};

constexpr TumblingLine kProgramLines[] = {
    {0.0f, 0.5f, 0.0f, "glTranslatef(0.0f,-1.0f,-1.0f);"},
    {0.0f, 0.3f, 0.1f, "glColor3f(0.7f,0.7f,0.7f);"},
    {0.5f, 0.0f, 0.0f, "glRotatef(30.0f,1.0f,1.0f,0.0f);"},
    {0.0f, 0.5f, 0.3f, "glEnable(GL_LIGHTING);"},
    {0.7f, 0.5f, 0.0f, "srand( (unsigned)time( NULL ) );"},
    {0.7f, 0.5f, 0.7f, "for(counter=1;counter<8;counter++)"},
    {0.0f, 0.5f, 0.0f, "name1[counter]='Valentino'"},
};

constexpr TumblingLine kTutorialLines[] = {
    {0.0f, 0.5f, 0.0f, "They were very helpfull"},
    {0.2f, 0.3f, 0.1f, "a.e: Model Loading Tutorial"},
    {0.5f, 0.3f, 0.2f, "and a lot of others..."},
};

constexpr TumblingLine kSoundLines[] = {
    {0.0f, 0.5f, 0.0f, "mciSendString(\"stop data/sounds/2.mp3\", NULL, 0, NULL)"},
    {0.2f, 0.3f, 0.1f, "PlaySound(\"data/sounds/goal.wav\",NULL,SND_FILENAME|SND_ASYNC);"},
    {0.5f, 0.3f, 0.2f, "mciSendString(\"play data/sounds/2.mp3\", NULL, 0, NULL)"},
};

// The project's own address stands where the tutorial site would.
constexpr const char* kTutorialAddress = "puckslide3d.example/opengl";

void pageTitle(const char* title) {
    glTranslatef(-1.0f, 2.0f, -10.0f);
    glRotatef(30.0f, 1.0f, 1.0f, 0.0f);
    glColor3f(1.1f, 0.8f, 0.0f);
    glPrint("%s", title);
}

void smallLinesFrame(float scale) {
    glScalef(scale, scale, scale);
    glColor3f(0.9f, 0.9f, 0.9f);
    glTranslatef(-20.0f, 9.0f, 0.0f);
}

// Each line turns the rest of the page; from the second line on it also steps down.
template <int N>
void tumblingLines(const TumblingLine (&lines)[N], float rot) {
    for (int i = 0; i < N; ++i) {
        glRotatef(rot, lines[i].ax, lines[i].ay, lines[i].az);
        if (i > 0) glTranslatef(-1.5f, -3.0f, 0.0f);
        glPrint("%s", lines[i].text);
    }
}

void programmerPage(float rot) {
    pageTitle("Programmer");
    glTranslatef(-1.5f, -3.0f, 0.0f);
    glColor3f(0.7f, 0.5f, 0.0f);
    glPrint("Valentino Marbeck");
    smallLinesFrame(0.25f);
    tumblingLines(kProgramLines, rot);
}

void tutorialsPage(float rot) {
    pageTitle("Tutorials");
    glTranslatef(3.0f, -3.0f, -5.0f);
    glColor3f(0.7f, 0.5f, 0.0f);
    glPrint("%s", kTutorialAddress);
    glTranslatef(-10.0f, -3.0f, 0.0f);
    glColor3f(0.7f, 0.5f, 0.0f);
    glPrint("OpenGL Tutorials");
    smallLinesFrame(0.4f);
    tumblingLines(kTutorialLines, rot);
}

void soundsPage(float rot) {
    pageTitle("Sounds");
    glTranslatef(3.0f, -3.0f, -5.0f);
    glColor3f(0.7f, 0.5f, 0.0f);
    glPrint("Orvandel & Pellistram");
    smallLinesFrame(0.4f);
    tumblingLines(kSoundLines, rot);
}

}  // namespace

void DrawCredits(const GameState& g) {
    switch (g.menu_1_nr) {
        case 1: programmerPage(g.rot); break;
        case 2: tutorialsPage(g.rot); break;
        case 3: soundsPage(g.rot); break;
        default: break;
    }
}
