#include "views/MapViewKeys.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace corvane {

namespace {

std::optional<Key> Digit(int d) { return static_cast<Key>(static_cast<int>(Key::Digit0) + d); }

// The digit row from the native code of the key: layout independent where the platform
// says which physical key it was.
std::optional<int> NativeDigit(const QKeyEvent& event) {
#ifdef Q_OS_WIN
    const quint32 vk = event.nativeVirtualKey();
    if (vk >= '0' && vk <= '9') return static_cast<int>(vk - '0');
#else
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"))) {
        // X keycodes (evdev): 10 is the 1 key ... 18 the 9 key, 19 the 0 key.
        const quint32 code = event.nativeScanCode();
        if (code >= 10 && code <= 19) return static_cast<int>((code - 9) % 10);
    }
#endif
    return std::nullopt;
}

// Shifted digits of a US layout.
std::optional<int> UsShiftedDigit(int qtKey) {
    switch (qtKey) {
        case Qt::Key_ParenRight: return 0;
        case Qt::Key_Exclam: return 1;
        case Qt::Key_At: return 2;
        case Qt::Key_NumberSign: return 3;
        case Qt::Key_Dollar: return 4;
        case Qt::Key_Percent: return 5;
        case Qt::Key_AsciiCircum: return 6;
        case Qt::Key_Ampersand: return 7;
        case Qt::Key_Asterisk: return 8;
        case Qt::Key_ParenLeft: return 9;
        default: return std::nullopt;
    }
}

std::optional<Key> KeyOf(const QKeyEvent& event, bool shift) {
    const int k = event.key();
    switch (k) {
        case Qt::Key_Return:
        case Qt::Key_Enter: return Key::Enter;
        case Qt::Key_Space: return Key::Space;
        case Qt::Key_Escape: return Key::Escape;
        case Qt::Key_Home: return Key::Home;
        case Qt::Key_End: return Key::End;
        case Qt::Key_Left: return Key::Left;
        case Qt::Key_Right: return Key::Right;
        case Qt::Key_Up: return Key::Up;
        case Qt::Key_Down: return Key::Down;
        case Qt::Key_Insert: return Key::Insert;
        case Qt::Key_A: return Key::A;
        case Qt::Key_C: return Key::C;
        case Qt::Key_D: return Key::D;
        case Qt::Key_F: return Key::F;
        case Qt::Key_L: return Key::L;
        case Qt::Key_M: return Key::M;
        case Qt::Key_P: return Key::P;
        case Qt::Key_T: return Key::T;
        case Qt::Key_U: return Key::U;
        case Qt::Key_V: return Key::V;
        case Qt::Key_Z: return Key::Z;
        default: break;
    }
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return Digit(k - Qt::Key_0);
    if (!shift) return std::nullopt;
    if (const auto d = NativeDigit(event)) return Digit(*d);
    if (const auto d = UsShiftedDigit(k)) return Digit(*d);
    return std::nullopt;
}

}  // namespace

std::optional<MapViewKeyPress> TranslateMapViewKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers();
    if (mods & Qt::AltModifier) return std::nullopt;
    const bool shift = (mods & Qt::ShiftModifier) != 0;
    const auto key = KeyOf(event, shift);
    if (!key) return std::nullopt;
    return MapViewKeyPress{*key, KeyModifiers{(mods & Qt::ControlModifier) != 0, shift}};
}

}  // namespace corvane
