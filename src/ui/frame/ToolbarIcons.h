// The toolbar's pictures, drawn by the program at 16 x 15 pixels so that no
// image files need shipping and they stay crisp in every theme.
#pragma once

#include <QIcon>

namespace kestrelon {

constexpr int TOOLBAR_ICON_WIDTH = 16;
constexpr int TOOLBAR_ICON_HEIGHT = 15;

// The picture of a toolbar command; a null icon for commands without one.
QIcon ToolbarIcon(int command);

} // namespace kestrelon
