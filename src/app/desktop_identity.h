// How the desktop knows the program's windows: the desktop entry they belong to (the
// application id on Wayland, the task bar's grouping) and the icon they show.
#pragma once

namespace lumiro::app {

// The desktop entry's name without ".desktop"; resources/desktop holds the entry and the
// metainfo of that name.
inline constexpr char16_t kDesktopEntry[] = u"pl.lumiro.Lumiro";

// Names the desktop entry and sets the icon of every window: the icon theme's "lumiro" where
// the program is installed, else the same pictures compiled into the program.
void setDesktopIdentity();

}  // namespace lumiro::app
