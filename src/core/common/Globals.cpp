#include "core/common/Globals.h"

QString AccessLevelName(int level)
{
    if (level < 1 || level > AccessLevelNames.size())
        return QString();
    return AccessLevelNames.at(level - 1);
}
