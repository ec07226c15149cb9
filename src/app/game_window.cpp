#include "app/game_window.h"

#include "app/window_title.h"
#include "assets/model.h"
#include "game/game_state.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "platform/window.h"

bool OpenGameWindow(GameState& g, bool& fullscreen) {
    if (!CreateGLWindow(kWindowTitle, g.width, g.height, 32, fullscreen)) return false;
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

bool InputMessageOf(const WindowEvent& event, InputMessage& m) {
    using Kind = InputMessage::Kind;
    switch (event.type) {
        case WindowEvent::Type::KeyDown: m = {Kind::KeyDown, KeySource::Keyboard, static_cast<uint8_t>(event.key)}; return true;
        case WindowEvent::Type::KeyUp: m = {Kind::KeyUp, KeySource::Keyboard, static_cast<uint8_t>(event.key)}; return true;
        case WindowEvent::Type::MouseMove:
            m = {Kind::MouseMove, KeySource::Keyboard, 0, static_cast<uint16_t>(event.x), static_cast<uint16_t>(event.y)};
            return true;
        case WindowEvent::Type::Activity:
            m = {Kind::Activity, KeySource::Keyboard, 0, static_cast<uint16_t>(event.active ? 1 : 0)};
            return true;
        case WindowEvent::Type::Close: case WindowEvent::Type::Handled: case WindowEvent::Type::Pads: break;
    }
    return false;
}
