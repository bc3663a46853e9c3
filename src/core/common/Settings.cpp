#include "core/common/Settings.h"

#include "core/common/Globals.h"

#include <QSettings>
#include <memory>

namespace
{

std::unique_ptr<QSettings> openStore()
{
    // Tests and the demo point QSettings' own user path elsewhere.
    auto s =
        std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, AppTitle, AppTitle);
    s->beginGroup(QStringLiteral("Defaults"));
    return s;
}

} // namespace

QString GetSetting(const QString &key, const QString &defaultValue)
{
    return openStore()->value(key, defaultValue).toString();
}

void SaveSetting(const QString &key, const QString &value)
{
    auto s = openStore();
    s->setValue(key, value);
    s->sync();
}

bool NewUserOverviewSuppressed()
{
    return GetSetting(QStringLiteral("NewUser"), QString()) == QLatin1String("NoShow");
}

void SuppressNewUserOverview()
{
    SaveSetting(QStringLiteral("NewUser"), QStringLiteral("NoShow"));
}

int MainWindowHeightSetting()
{
    constexpr int fallback = 9525;
    bool ok = false;
    const double v = GetSetting(QStringLiteral("MainWindowHeight"), QString::number(fallback))
                         .trimmed()
                         .toDouble(&ok);
    if (!ok || v <= 0 || v > 1e6)
        return fallback;
    return int(v);
}

void SaveMainWindowHeight(int twips)
{
    SaveSetting(QStringLiteral("MainWindowHeight"), QString::number(twips));
}

bool RefreshSoundSetting()
{
    return GetSetting(QStringLiteral("RefreshSound"), QStringLiteral("False"))
               .trimmed()
               .compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
}

void SaveRefreshSound(bool on)
{
    SaveSetting(QStringLiteral("RefreshSound"),
                on ? QStringLiteral("True") : QStringLiteral("False"));
}
