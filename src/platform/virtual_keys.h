// Win32 virtual-key codes, the indices of GameState::keys. Letters and digits are
// their capital ASCII codes: keys['W'], keys['7'].
#pragma once

// A pad's letter wheel on the name-entry screen has codes Windows leaves undefined, so
// that no keyboard sends them: the name's last letter up or down, a new place after it.
constexpr int kKeyNextPlace = 7;
constexpr int kKeyBackspace = 8;
constexpr int kKeyTab = 9;
constexpr int kKeyEnter = 13;
constexpr int kKeyLetterUp = 14;
constexpr int kKeyLetterDown = 15;
constexpr int kKeyShift = 16;
constexpr int kKeyCtrl = 17;
constexpr int kKeyPause = 19;
constexpr int kKeyCapsLock = 20;
constexpr int kKeyEscape = 27;
constexpr int kKeySpace = 32;
constexpr int kKeyPageUp = 33;
constexpr int kKeyPageDown = 34;
constexpr int kKeyEnd = 35;
constexpr int kKeyHome = 36;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;
constexpr int kKeyInsert = 45;
constexpr int kKeyDelete = 46;
constexpr int kKeyDigit0 = 48;
constexpr int kKeyNumpad0 = 96;
constexpr int kKeyNumpad1 = 97;
constexpr int kKeyMultiply = 106;
constexpr int kKeyAdd = 107;
constexpr int kKeySubtract = 109;
constexpr int kKeyDecimal = 110;
constexpr int kKeyDivide = 111;
constexpr int kKeyF1 = 112;
constexpr int kKeyNumLock = 144;
constexpr int kKeyScrollLock = 145;
// The punctuation keys of a US layout.
constexpr int kKeySemicolon = 186;
constexpr int kKeyEquals = 187;
constexpr int kKeyComma = 188;
constexpr int kKeyMinus = 189;
constexpr int kKeyPeriod = 190;
constexpr int kKeySlash = 191;
constexpr int kKeyBackquote = 192;
constexpr int kKeyLeftBracket = 219;
constexpr int kKeyBackslash = 220;
constexpr int kKeyRightBracket = 221;
constexpr int kKeyQuote = 222;

constexpr int kKeyCount = 256;
