#include "app/pad_players.h"

#include <algorithm>

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

// The name entry's letter wheel: up and down turn the last letter, right or X opens a
// place after it, left or B takes a letter back as Backspace does, A or Start stores.
int nameEntryKey(int control, bool accept) {
    if (accept) return kKeyEnter;
    if (isButton(control, PadButton::B)) return kKeyBackspace;
    if (isButton(control, PadButton::X)) return kKeyNextPlace;
    constexpr int kWheel[] = {kKeyLetterUp, kKeyBackspace, kKeyLetterDown, kKeyNextPlace};
    return control >= kFirstDirection ? kWheel[control - kFirstDirection] : 0;
}

// What a control pressed now stands for, by the screen shown; 0 when nothing.
// Directions in play are not here: they steer, and follow the seat every frame.
int oneTimeKey(const GameState& g, int control) {
    const bool accept = isButton(control, PadButton::A) || isButton(control, PadButton::Start);
    const bool back = isButton(control, PadButton::B) || isButton(control, PadButton::Back);
    if (!g.menu) return back ? kKeyEscape : isButton(control, PadButton::Y) ? 'V' : 0;
    if (g.hauptmenu_nr == Screen::NameEntry) return nameEntryKey(control, accept);
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

Directions PadPlayers::directions(int player) const {
    for (int s = 0; s < 2; ++s)
        if (slots_[s].pad >= 0 && playerOf(s) == player) return slots_[s].directions;
    return Directions{};
}

void PadPlayers::send(FrameInput& record, int slot, const HeldKeys& held, const HeldKeys& pressed) {
    Slot& s = slots_[slot];
    std::vector<InputMessage>& out = record.players[playerOf(slot)].messages;
    for (int key = 0; key < kKeyCount; ++key) {
        const auto k = static_cast<uint8_t>(key);
        if (!held.test(key) && s.sent.test(key)) out.push_back({InputMessage::Kind::KeyUp, kSlotSources[slot], k});
        // A second button meaning a key the pad already holds is a new press all the same.
        if (held.test(key) && (!s.sent.test(key) || pressed.test(key)))
            out.push_back({InputMessage::Kind::KeyDown, kSlotSources[slot], k});
    }
    s.sent = held;
}

void PadPlayers::collect(const GameState& g, FrameInput& record, const std::vector<PadState>& pads) {
    // A pad pulled out lets go of everything at once: no mallet runs on by itself.
    for (int s = 0; s < 2; ++s) {
        if (slots_[s].pad < 0 || connected(pads, slots_[s].pad)) continue;
        send(record, s, HeldKeys{}, HeldKeys{});
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
        const HeldKeys held = slotKeys(g, slots_[s], *pad, pressed);
        send(record, s, held, pressed);
    }
}

HeldKeys PadPlayers::slotKeys(const GameState& g, Slot& slot, const PadState& pad, HeldKeys& pressed) {
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
    return out;
}

std::string PadMappingsFile() { return PlayerFolder() + "/gamecontrollerdb.txt"; }
