#include "platform/message_box.h"

#include <unistd.h>

#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/turn_log.h"

namespace {

bool headlessBoxes = false;

// One line on standard error, line breaks written as \n, so tests can match it.
void writeToStderr(const char* caption, const char* text) {
    std::string line = std::string(caption) + ": ";
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') line += "\\n"; else line += *p;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

Uint32 flagsFor(MbIcon icon) {
    switch (icon) {
        case MbIcon::Stop: return SDL_MESSAGEBOX_ERROR;
        case MbIcon::Exclamation: return SDL_MESSAGEBOX_WARNING;
        default: return SDL_MESSAGEBOX_INFORMATION;
    }
}

}  // namespace

void SetMessageBoxesHeadless(bool headless) { headlessBoxes = headless; }
bool DesktopHeadless() { return headlessBoxes; }

MbResult MessageBox(const char* caption, const char* text, MbButtons buttons, MbIcon icon, int id) {
    CurrentTurnLog().boxes.push_back({caption, text, id});
    const MbResult fallback = buttons == MbButtons::YesNo ? MbResult::Yes : MbResult::Ok;
    if (headlessBoxes) {
        writeToStderr(caption, text);
        return fallback;
    }

    SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "OK"}};
    SDL_MessageBoxButtonData yesNoButtons[] = {
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 2, "No"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"}};
    SDL_MessageBoxData data{};
    data.flags = flagsFor(icon);
    data.title = caption;
    data.message = text;
    if (buttons == MbButtons::YesNo) {
        data.numbuttons = 2;
        data.buttons = yesNoButtons;
    } else {
        data.numbuttons = 1;
        data.buttons = okButton;
    }
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0 || pressed < 0) {
        // No way to ask (no display): say it where a player running from a terminal sees it.
        writeToStderr(caption, text);
        return fallback;
    }
    if (pressed == 1) return MbResult::Yes;
    if (pressed == 2) return MbResult::No;
    return MbResult::Ok;
}

bool StartedFromTerminal() { return isatty(STDERR_FILENO) == 1; }
