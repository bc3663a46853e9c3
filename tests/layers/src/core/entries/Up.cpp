#include <gui/controls/Button.h>
