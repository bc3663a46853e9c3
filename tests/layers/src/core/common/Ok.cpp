#include "core/common/Ok.h"
