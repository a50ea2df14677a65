#include "shell/ShellGlobals.h"

int g_nPlayMode = 3;
