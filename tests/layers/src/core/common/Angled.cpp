#include <Ok.h>
#include <QList>
#include <core/common/Ok.h>
