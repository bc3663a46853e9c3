// Sounds: a wave file played without waiting, through the desktop seam. A
// missing file or a machine without sound plays nothing and says nothing.
#pragma once

#include <QString>

// Stops what is playing, then starts fileName and returns while it plays.
void PlayWaveFile(const QString &fileName);
// Stops and lets go of whatever PlayWaveFile started.
void StopWaveFile();

// The sound of the Refresh button while it flashes, in the data folder.
inline const QString RefreshSoundFileName = QStringLiteral("update.wav");
