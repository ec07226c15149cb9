#include "app/game_boxes.h"

#include "platform/message_box.h"

void ShowGameBox(GameBox box) {
    const BoxWords words = GameBoxWords(box);
    MessageBox(words.caption, words.text, MbButtons::Ok, MbIcon::Stop, static_cast<int>(box));
}
