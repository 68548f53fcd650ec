#include "app/x11_key_map.h"

#include <QGuiApplication>
#include <cstring>

// Xlib last: its macros (Bool, Status, None) clash with Qt's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace dovrik {

X11PhysicalKey LookUpX11Key(uint32_t keycode) {
  X11PhysicalKey key;
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display || keycode > 255) return key;
  XkbDescPtr map = XkbGetMap(display, XkbKeySymsMask, XkbUseCoreKbd);
  if (!map) return key;
  const auto code = static_cast<KeyCode>(keycode);
  if (code >= map->min_key_code && code <= map->max_key_code) {
    const int groups = XkbKeyNumGroups(map, code);
    for (int group = 0; group < groups; ++group) {
      key.groupSymbols.push_back(static_cast<uint32_t>(XkbKeySymEntry(map, code, 0, group)));
    }
    if (XkbGetNames(display, XkbKeyNamesMask, map) == Success && map->names && map->names->keys) {
      const char* name = map->names->keys[code].name;
      key.name.assign(name, strnlen(name, XkbKeyNameLength));
    }
  }
  XkbFreeKeyboard(map, 0, True);
  return key;
}

}  // namespace dovrik
