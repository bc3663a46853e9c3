// The per-user settings store: application "Custorin", section "Defaults".
// Only three keys exist: "NewUser", "MainWindowHeight" and "RefreshSound".
#pragma once

#include <QString>

// The INI file lies under QSettings' user path (QSettings::setPath moves it
// for tests and the demo).

QString GetSetting(const QString &key, const QString &defaultValue);
void SaveSetting(const QString &key, const QString &value);

// The three keys with their defaults on read.
bool NewUserOverviewSuppressed(); // "NewUser" == "NoShow"
void SuppressNewUserOverview();   // saves "NoShow"
int MainWindowHeightSetting();    // twips; 9525 when missing or not a number
void SaveMainWindowHeight(int twips);
bool RefreshSoundSetting(); // "True" plays the sound; default false
void SaveRefreshSound(bool on);
