#include "shared_lines.h"
