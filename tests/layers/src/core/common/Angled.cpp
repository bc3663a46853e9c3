#include <core/common/Ok.h>
#include <Ok.h>
#include <QList>
