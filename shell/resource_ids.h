// Resource identifiers shared by the program's .rc files and its code
// (plain defines: the resource compiler reads this file too).
#pragma once

#define TARNVEX_ICON_DEFAULT 1
#define TARNVEX_RCDATA_LAYOUT 101
#define TARNVEX_CURSOR_HAND 201
