#include "core/common/Ok.h"
#include <cstdio>
#include <gui/controls/Button.h>
