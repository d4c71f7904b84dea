#pragma once
// Resource ids of the program's pictures (resources/velmora.rc, drawn by tools/picgen).
#define IDI_VELMORA 103
