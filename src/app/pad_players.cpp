#include "app/pad_players.h"

#include <algorithm>

#include "app/players.h"
#include "game/game_state.h"
#include "game/screen_numbers.h"
#include "platform/data_paths.h"
#include "platform/virtual_keys.h"

namespace {

constexpr int kStickTravel = 32768;

enum Direction { Up, Left, Down, Right };
constexpr int kFirstDirection = kPadButtonCount;

constexpr KeySource kSlotSources[2] = {KeySource::Pad1, KeySource::Pad2};

bool isButton(int control, PadButton b) { return control == static_cast<int>(b); }

// What a control pressed now stands for, by the screen shown; 0 when nothing.
// Directions in play are not here: they steer, and follow the seat every frame.
int oneTimeKey(const GameState& g, int control) {
    const bool accept = isButton(control, PadButton::A) || isButton(control, PadButton::Start);
    const bool back = isButton(control, PadButton::B) || isButton(control, PadButton::Back);
    if (!g.menu) return back ? kKeyEscape : isButton(control, PadButton::Y) ? 'V' : 0;
    if (g.hauptmenu_nr == Screen::NameEntry) return accept ? kKeyEnter : 0;  // letters stay on the keyboard
    if (accept) return kKeyEnter;
    if (back) return kKeyEscape;
    constexpr int kArrows[] = {kKeyUp, kKeyLeft, kKeyDown, kKeyRight};
    return control >= kFirstDirection ? kArrows[control - kFirstDirection] : 0;
}

bool connected(const std::vector<PadState>& pads, int id) {
    return std::any_of(pads.begin(), pads.end(), [id](const PadState& p) { return p.id == id; });
}

}  // namespace

// A stick lets go at four fifths of where it counts as held, so a thumb resting at the
// edge does not flicker the key.
void PadPlayers::setStickDeadZone(int percent) {
    stickPress_ = percent * kStickTravel / 100;
    stickRelease_ = stickPress_ * 4 / 5;
}

int PadPlayers::player2Pad() const {
    for (int s = 0; s < 2; ++s)
        if (s != player1_ && slots_[s].pad >= 0) return slots_[s].pad;
    return -1;
}

void PadPlayers::apply(GameState& g, KeyMerge& keys, const std::vector<PadState>& pads) {
    // A pad pulled out lets go of everything at once: no mallet runs on by itself.
    for (int s = 0; s < 2; ++s) {
        if (slots_[s].pad < 0 || connected(pads, slots_[s].pad)) continue;
        keys.releaseAll(g, kSlotSources[s]);
        slots_[s] = Slot{};
        if (player1_ == s) player1_ = -1;
    }
    // Player 1's seat passes to the remaining pad only back in the menus, never mid-match.
    if (g.menu && player1_ < 0)
        for (int s = 0; s < 2 && player1_ < 0; ++s)
            if (slots_[s].pad >= 0) player1_ = s;
    // A pad is seated when it is plugged in, or in the menus if it had to wait for a seat.
    for (const PadState& pad : pads) {
        if (slots_[0].pad == pad.id || slots_[1].pad == pad.id) continue;
        const bool justConnected = std::find(seen_.begin(), seen_.end(), pad.id) == seen_.end();
        const int free = slots_[0].pad < 0 ? 0 : slots_[1].pad < 0 ? 1 : -1;
        if (free < 0 || (!justConnected && !g.menu)) continue;
        slots_[free].pad = pad.id;
        if (player1_ < 0) player1_ = free;
    }
    seen_.clear();
    for (const PadState& pad : pads) seen_.push_back(pad.id);

    for (int s = 0; s < 2; ++s) {
        const auto pad = std::find_if(pads.begin(), pads.end(), [&](const PadState& p) { return p.id == slots_[s].pad; });
        if (pad == pads.end()) continue;
        HeldKeys pressed;
        keys.hold(g, kSlotSources[s], slotKeys(g, slots_[s], *pad, s == player1_, pressed));
        // A second button meaning a key the pad already holds is a new press all the same.
        for (int key = 0; key < kKeyCount; ++key)
            if (pressed.test(key)) keys.press(g, kSlotSources[s], key);
    }
}

HeldKeys PadPlayers::slotKeys(const GameState& g, Slot& slot, const PadState& pad, bool player1, HeldKeys& pressed) {
    const int x = pad.axis(PadAxis::LeftX), y = pad.axis(PadAxis::LeftY);
    const int towards[4] = {-y, -x, y, x};
    constexpr PadButton kDpad[4] = {PadButton::DpadUp, PadButton::DpadLeft, PadButton::DpadDown, PadButton::DpadRight};
    bool now[kControlCount] = {};
    for (int b = 0; b < kPadButtonCount; ++b) now[b] = pad.button(static_cast<PadButton>(b));
    for (int d = Up; d <= Right; ++d) {
        slot.stick[d] = towards[d] >= (slot.stick[d] ? stickRelease_ : stickPress_);
        now[kFirstDirection + d] = slot.stick[d] || pad.button(kDpad[d]);
    }

    HeldKeys out;
    for (int c = 0; c < kControlCount; ++c) {
        if (!now[c]) {
            slot.latched[c] = 0;
        } else if (!slot.held[c]) {
            slot.latched[c] = oneTimeKey(g, c);
            if (slot.latched[c]) pressed.set(slot.latched[c]);
        }
        // In play the directions steer: an arrow latched in the menus lets go, so the
        // camera never moves from a stick held over from the menus.
        if (!g.menu && c >= kFirstDirection) slot.latched[c] = 0;
        slot.held[c] = now[c];
        if (slot.latched[c]) out.set(slot.latched[c]);
    }
    Directions& dirs = slot.directions;
    dirs.up = now[kFirstDirection + Up];
    dirs.left = now[kFirstDirection + Left];
    dirs.down = now[kFirstDirection + Down];
    dirs.right = now[kFirstDirection + Right];
    if (!g.menu) out |= MalletKeys(player1 ? Player1Mallet(g) : Player2Mallet(g), dirs);
    return out;
}

std::string PadMappingsFile() { return PlayerFolder() + "/gamecontrollerdb.txt"; }
