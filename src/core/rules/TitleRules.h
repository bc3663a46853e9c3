// What the title window says and decides, without widgets: the version
// text, the new-user overview, the screen-size warning, the judgement of
// the newest version fetched from the installation's update address, and
// the colours of the pulsing button.
#pragma once

#include "core/common/ColorMath.h"
#include "core/rules/ButtonPulse.h"

#include <QByteArray>
#include <QString>
#include <optional>

// ---- Version ----

struct ProgramVersion {
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// -1, 0 or 1 as a is older than, the same as or newer than b.
int CompareVersions(const ProgramVersion &a, const ProgramVersion &b);

// The version of the running program.
ProgramVersion RunningVersion();

// "Version w" + major ("##") + "." + minor ("##") + "." + revision
// ("####"). A part that is 0 shows as "0" (the optional-digit patterns
// alone would leave it out and make "9.11." of version 9.11.0).
QString VersionText(const ProgramVersion &version);

// The newest version as the update address publishes it: one line with two
// or three whole numbers separated by dots ("9.12" or "9.12.3"), each of
// one to four digits, optionally preceded by "w" or "Version w" and
// surrounded by blanks and line breaks. Nothing for anything else.
std::optional<ProgramVersion> ParseVersionText(const QByteArray &text);

// What the version check found out.
enum class VersionOutcome {
    NotAsked, // no update address is set up: nothing was asked
    Newer,    // the published version is newer than the running one
    Current,  // the published version is not newer
    Empty,    // the answer was empty
    Failed,   // the request failed, or the answer is not a version text
};

// Judges an answer: ok false for a failed request (no connection, an HTTP
// error, no answer in time).
VersionOutcome JudgeVersionAnswer(bool ok, const QByteArray &body, const ProgramVersion &running);

// Caption and tool tip of the version button for an outcome. NotAsked and
// Failed leave the button as designed.
struct ButtonText {
    QString caption;
    QString toolTip;
};
ButtonText VersionButtonText(VersionOutcome outcome);
ButtonText VersionButtonDesignText();

// ---- Addresses ----

// The site address as the installation gives it ("updates.agency.example/
// custorin", "10.0.0.5:8080"); a leading "http://" is taken off and so is a
// trailing "/". Empty when none is set up.
QString NormalizedSiteAddress(const QString &address);
// The address of the version text on a site (normalized, not empty).
QString VersionTextUrl(const QString &site);
// The targets for OpenLink kind 2 (without "http://") of the two documents
// of a site; the vendor's web site when site is empty.
QString VersionInfoDocument(const QString &site);
QString WindowsNoticeDocument(const QString &site);

// ---- New-user overview ----

QString NewUserOverviewTitle();
// The program's overview: four paragraphs joined with blank lines.
QString OverviewText();
// The whole message: the welcome line, a blank line, the overview.
QString NewUserOverviewMessage();
QString NewUserOverviewButton();

// ---- Screen size ----

constexpr int MinScreenWidth = 1024;
constexpr int MinScreenHeight = 720;
// True when a screen of this size in pixels gets the warning.
bool ScreenNeedsWarning(double width, double height);
QString ScreenWarningTitle();
// The warning, naming the screen's size as computed (a fraction shows).
QString ScreenWarningText(double width, double height);
QString ScreenWarningButton();

// ---- The pulse ----

// The first delay before the pulse starts, and its step time afterwards.
constexpr int PulseDelayUpdate = 500;    // the version button, when an update is out
constexpr int PulseDelayContinue = 5000; // the "&Continue" button otherwise
constexpr int PulseInterval = 15;

struct PulseColorPair {
    OleColor back = 0;
    OleColor fore = 0;
};
// The colours of the pulsing button after a step, by its hover colour.
PulseColorPair PulseColorsFor(OleColor backOver, const ButtonPulse &pulse);
