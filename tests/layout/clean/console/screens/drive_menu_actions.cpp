#include "drive_menu.h"

#include "shared_lines.h"
