#include "drive_menu.h"

#include "drive_list.h"
