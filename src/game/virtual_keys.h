// Win32 virtual-key codes, the indices of GameState::keys. Letters and digits are
// their capital ASCII codes: keys['W'], keys['7'].
#pragma once

constexpr int kKeyBackspace = 8;
constexpr int kKeyEnter = 13;
constexpr int kKeyShift = 16;
constexpr int kKeyCtrl = 17;
constexpr int kKeyEscape = 27;
constexpr int kKeySpace = 32;
constexpr int kKeyPageUp = 33;
constexpr int kKeyPageDown = 34;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;
constexpr int kKeyDigit0 = 48;
constexpr int kKeyF1 = 112;
