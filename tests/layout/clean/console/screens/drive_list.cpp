#include "drive_list.h"

#include "drive_menu.h"
#include "shared_lines.h"
