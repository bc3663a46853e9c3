#include "core/rules/ScanCode.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/entries/DataFile.h"

#include <QFileInfo>
#include <QtEndian>
#include <cmath>

namespace
{

bool allDigits(const QString &text)
{
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return !text.isEmpty();
}

} // namespace

ScanCode ClassifyScan(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {ScanKind::Empty, QString()};
    if (text.startsWith(ShelfCodePrefix, Qt::CaseInsensitive)) {
        const QString shelf = text.mid(ShelfCodePrefix.size()).trimmed();
        if (shelf.isEmpty())
            return {ScanKind::Unknown, text};
        return {ScanKind::Shelf, shelf};
    }
    // The QR code: the control number, a blank, the case number.
    const QString first = text.section(QLatin1Char(' '), 0, 0);
    if (allDigits(first) && first.size() == 14)
        return {ScanKind::Entry, first};
    if (allDigits(first) && first.size() <= 5)
        return {ScanKind::Entry, first.rightJustified(5, QLatin1Char('0'))};
    return {ScanKind::Unknown, text};
}

std::optional<ScannedEntry> FindScannedEntry(Store &store, const QString &controlText,
                                             bool *unreadable)
{
    if (unreadable)
        *unreadable = false;
    // The record's double is compared first; only a near one is formatted.
    double target = 0;
    if (controlText.size() == 14) {
        const QDateTime when = QDateTime::fromString(controlText, QStringLiteral("yyyyMMddHHmmss"));
        if (!when.isValid())
            return std::nullopt;
        target = ToOleDate(when);
    } else {
        target = controlText.toDouble();
    }
    std::optional<ScannedEntry> found;
    const bool read = store.forEachEntryRecord([&](int n, const char *record) {
        const double number = qFromLittleEndian<double>(record + EntryLayout::ControlNumber);
        if (!(std::fabs(number - target) < 1.0) || ControlNumberText(number) != controlText)
            return true;
        QString caseNumber;
        ReadFixedText(record + EntryLayout::CaseNumber, EntryTextWidth(EntryLayout::CaseNumber),
                      caseNumber);
        if (caseNumber == KilledMarker)
            return true;
        const bool archived =
            static_cast<unsigned char>(record[EntryLayout::Status]) == StatusArchived;
        found = ScannedEntry{n, archived, {number, caseNumber}};
        return false;
    });
    // A pass stopped at the entry found counts as read.
    if (!read && !found && unreadable)
        *unreadable = true;
    return found;
}

QString NotOnRecordText(const QString &code)
{
    return code + QStringLiteral(" is not on record.");
}

QString CurrentShelfText(const QString &shelf)
{
    return QStringLiteral("Current shelf: ") + shelf;
}

QString ScanUnreadableText()
{
    return QStringLiteral("The data file could not be read: scan again.");
}

QString ArchivedScanTitle()
{
    return QStringLiteral("Archived Entry");
}

QString ArchivedScanText(const QString &controlText, const QString &caseNumber)
{
    return QStringLiteral("Entry ") + controlText + QStringLiteral(" (case ") + caseNumber +
           QStringLiteral(") is archived.") + CrLf + CrLf +
           QStringLiteral("Do you want to see it on the Inactive List?");
}

QStringList ArchivedScanButtons()
{
    return {QStringLiteral("&Show it on the Inactive List"), QStringLiteral("&Not now")};
}
