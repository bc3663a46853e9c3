#include "core/common/Sound.h"

#include "core/common/Desktop.h"

void PlayWaveFile(const QString &fileName)
{
    StopWaveFile();
    desktop().playSound(fileName);
}

void StopWaveFile()
{
    desktop().stopSound();
}
