#include "core/common/Ok.h"
#include <gui/controls/Button.h>
#include <cstdio>
