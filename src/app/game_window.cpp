#include "app/game_window.h"

#include "app/key_merge.h"
#include "app/window_title.h"
#include "assets/model.h"
#include "game/game_state.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "platform/window.h"

bool OpenGameWindow(GameState& g) {
    if (!CreateGLWindow(kWindowTitle, g.width, g.height, 32, g.fullscreen)) return false;
    // GL objects belong to a context: the new one needs its own textures and font.
    for (Model* model : {g.pPuk, g.pTable, g.pSchiesser, g.pGegner, g.pKZMPlane})
        if (model) model->reloadTextures();
    if (!BuildFont()) {
        KillGLWindow();
        MessageBox("ERROR", "Initialization Failed.", MbButtons::Ok, MbIcon::Exclamation);
        return false;
    }
    return true;
}

bool ApplyWindowEvent(GameState& g, KeyMerge& keys, const WindowEvent& event) {
    switch (event.type) {
        case WindowEvent::Type::KeyDown: keys.press(g, KeySource::Keyboard, event.key); break;
        case WindowEvent::Type::KeyUp: keys.release(g, KeySource::Keyboard, event.key); break;
        case WindowEvent::Type::MouseMove:
            g.mouse_x = event.x;
            g.mouse_y = event.y;
            break;
        case WindowEvent::Type::Activity: g.active = event.active; break;
        case WindowEvent::Type::Close: return true;
        case WindowEvent::Type::Handled: break;
        case WindowEvent::Type::Pads: break;  // the main loop's PadPlayers read them
    }
    return false;
}
