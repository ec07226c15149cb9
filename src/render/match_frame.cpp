// The match drawn at the three points of its step.
#include <GL/gl.h>
#include <GL/glu.h>

#include "assets/model.h"
#include "render/draw_scene.h"
#include "game/game_state.h"
#include "platform/text.h"

namespace {

// Every model and the score line are drawn in a frame raised by this much.
constexpr float kSceneLift = 70.0f;
constexpr float kPuckDrop = -10.0f;
constexpr float kLookAtX = 150.0f;
constexpr float kEyeRaise = 80.0f;
constexpr float kEyeBack = 50.0f;
constexpr float kReplayEyeX = -50.0f;
constexpr float kScoreLineX = 150.0f, kScoreLineY = 180.0f, kScoreLineZ = 35.0f;
constexpr float kScoreLineScale = 30.0f;

void drawModel(Model* m) {
    if (m) m->draw();
}

void drawAt(Model* m, float x, float y, float z) {
    glTranslatef(x, y, z);
    drawModel(m);
    glTranslatef(-x, -y, -z);
}

}  // namespace

void MatchDrawing::table(const GameState& g) {
    if (g.video) {
        gluLookAt(kReplayEyeX, g.camera_y, g.camera_z, kLookAtX, 0, 0, 0, 1, 0);
        glTranslatef(0.0f, kSceneLift, 0.0f);
        // no colour of its own: the opaque white the previous frame ended with
    } else {
        gluLookAt(g.camera_x, g.camera_y + kEyeRaise, g.camera_z + kEyeBack, kLookAtX, 0, 0, 0, 1, 0);
        glTranslatef(0.0f, kSceneLift, 0.0f);
        glColor4f(1.0f, 1.0f, 1.0f, g.blend_fac);
    }
    drawModel(g.pTable);
}

void MatchDrawing::mallets(const GameState& g) {
    glColor4f(0.0f, 0.7f, 0.0f, 1.0f);
    drawAt(g.pSchiesser, g.schiesser_x, 0.0f, g.schiesser_z);
    glColor4f(0.0f, 0.0f, 0.7f, 1.0f);
    drawAt(g.pGegner, g.gegner_x, 0.0f, g.gegner_z);
}

void MatchDrawing::puckAndScore(const GameState& g) {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawAt(g.pPuk, g.x, kPuckDrop, g.z);
    glTranslatef(kScoreLineX, kScoreLineY, kScoreLineZ);
    glScalef(kScoreLineScale, kScoreLineScale, kScoreLineScale);
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    glPrint("My: %i His: %i", g.my_score, g.his_score);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
