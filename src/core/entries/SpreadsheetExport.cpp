#include "core/entries/SpreadsheetExport.h"

#include "core/common/ActivityLog.h"
#include "core/common/FolderLock.h"
#include "core/common/Formats.h"
#include "core/common/Globals.h"
#include "core/common/InputChecks.h"
#include "core/common/MsgBox.h"
#include "core/entries/DataFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace
{

const char *const Headings[] = {
    "Control Number", "Case Number",   "Location",    "Category",      "Brand Name",
    "Model Number",   "Serial Number", "Description", "Value",         "Owner",
    "Received From",  "Received Date", "Released To", "Released Date", "Defendant",
};

// The text fields before the value, and the widths of all of them.
struct TextField {
    int offset;
    int width;
};
constexpr TextField FieldsBeforeValue[] = {
    {EntryLayout::CaseNumber, 15},  {EntryLayout::Location, 50},    {EntryLayout::Category, 20},
    {EntryLayout::BrandName, 20},   {EntryLayout::ModelNumber, 20}, {EntryLayout::SerialNumber, 20},
    {EntryLayout::Description, 60},
};
constexpr TextField OwnerField = {EntryLayout::Owner, 100};
constexpr TextField ReceivedFromField = {EntryLayout::ReceivedFrom, 70};
constexpr TextField ReleasedToField = {EntryLayout::ReleasedTo, 70};
constexpr TextField DefendantField = {EntryLayout::Defendant, 50};
constexpr int CaseNumberWidth = 15;

double doubleAt(const char *record, int offset)
{
    double d;
    std::memcpy(&d, record + offset, sizeof d);
    return d;
}

// The longest line: every byte of every text a double quote (written
// twice) after an apostrophe, the quotes and commas, the numbers, CR LF.
constexpr int MaxLineBytes =
    2 * (15 + 50 + 4 * 20 + 60 + 100 + 70 + 70 + 50) + 11 + 15 * 3 + 4 * 24 + 2;

// Writes one value between double quotes at p, a double quote inside it
// twice, after an apostrophe when asked; returns the end.
char *putValue(char *p, const char *bytes, qsizetype size, bool apostrophe = false)
{
    *p++ = '"';
    if (apostrophe)
        *p++ = '\'';
    const char *end = bytes + size;
    while (bytes < end) {
        const void *quote = std::memchr(bytes, '"', size_t(end - bytes));
        const char *stop = quote ? static_cast<const char *>(quote) + 1 : end;
        std::memcpy(p, bytes, size_t(stop - bytes));
        p += stop - bytes;
        if (quote)
            *p++ = '"'; // the quote written twice
        bytes = stop;
    }
    *p++ = '"';
    return p;
}

// A sign, digits and at most one decimal point with a digit somewhere:
// what a spreadsheet reads as the number it says.
bool plainNumber(const char *bytes, qsizetype size)
{
    qsizetype i = 0;
    if (i < size && (bytes[i] == '+' || bytes[i] == '-'))
        ++i;
    bool digit = false, point = false;
    for (; i < size; ++i) {
        if (bytes[i] >= '0' && bytes[i] <= '9')
            digit = true;
        else if (bytes[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

// Whether a spreadsheet would take the text for a formula (or, after a
// tab or CR, for something else than it says): it then gets an apostrophe
// in front, so that it opens as the text it is.
bool needsApostrophe(const char *bytes, qsizetype size)
{
    if (size == 0)
        return false;
    switch (bytes[0]) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
        return !plainNumber(bytes, size);
    default:
        return false;
    }
}

char *putText(char *p, const char *record, const TextField &field)
{
    const char *data = record + field.offset;
    const auto span = TrimmedSpan(data, field.width);
    const char *text = data + span.first;
    const qsizetype size = span.second - span.first;
    return putValue(p, text, size, needsApostrophe(text, size));
}

// Digits, "/", "." and "-" only (at most 24): one byte each.
char *putAscii(char *p, const QString &text)
{
    *p++ = '"';
    const qsizetype n = qMin<qsizetype>(text.size(), 24);
    for (qsizetype i = 0; i < n; ++i)
        *p++ = char(text.at(i).unicode());
    *p++ = '"';
    return p;
}

// Two digits of v (0..99).
char *putTwo(char *p, int v)
{
    *p++ = char('0' + v / 10);
    *p++ = char('0' + v % 10);
    return p;
}

// ControlNumberStamp's fourteen digits, straight from the day and the
// second of the day as the stamp finds them: a QLocale date format for
// every listed entry costs more than the rest of its line. A control number
// without a day in years 1..9999 (none, a damaged field) goes the general way.
char *putStamp(char *p, double controlNumber)
{
    if (controlNumber != 0.0 && std::isfinite(controlNumber) &&
        std::fabs(controlNumber) <= 2958466.0) {
        static const QDate epoch(1899, 12, 30);
        const double dayPart = std::trunc(controlNumber);
        qint64 secs = std::llround(std::fabs(controlNumber - dayPart) * 86400.0);
        const QDate date = epoch.addDays(qint64(dayPart) + (secs >= 86400 ? 1 : 0));
        if (secs >= 86400)
            secs = 0;
        int year = 0, month = 0, day = 0;
        date.getDate(&year, &month, &day);
        if (year >= 1 && year <= 9999) {
            *p++ = '"';
            p = putTwo(putTwo(p, year / 100), year % 100);
            p = putTwo(putTwo(p, month), day);
            p = putTwo(putTwo(putTwo(p, int(secs / 3600)), int(secs / 60 % 60)), int(secs % 60));
            *p++ = '"';
            return p;
        }
    }
    return putAscii(p, ControlNumberStamp(controlNumber));
}

// GeneralMoney's text: the whole units, then the four places without their
// trailing zeros.
char *putMoney(char *p, qint64 tenThousandths)
{
    *p++ = '"';
    const quint64 magnitude =
        tenThousandths < 0 ? 0 - quint64(tenThousandths) : quint64(tenThousandths);
    if (tenThousandths < 0)
        *p++ = '-';
    p = std::to_chars(p, p + 20, magnitude / quint64(MoneyScale)).ptr;
    if (quint64 places = magnitude % quint64(MoneyScale)) {
        *p++ = '.';
        int digits = 4;
        for (; places % 10 == 0; places /= 10)
            --digits;
        for (int i = digits - 1; i >= 0; --i, places /= 10)
            p[i] = char('0' + places % 10);
        p += digits;
    }
    *p++ = '"';
    return p;
}

// Whether record still holds the listed entry: the same control number
// (bit for bit, as it was read for the list) and not marked by a deletion
// that is under way.
bool holdsListedEntry(const char *record, double controlNumber)
{
    if (std::memcmp(record + EntryLayout::ControlNumber, &controlNumber, sizeof controlNumber) != 0)
        return false;
    static const QByteArray killed = ToFixedText(KilledMarker, CaseNumberWidth);
    return std::memcmp(record + EntryLayout::CaseNumber, killed.constData(), CaseNumberWidth) != 0;
}

QString okay()
{
    return QStringLiteral("&Okay");
}

} // namespace

QString ExportFileName(const QDateTime &now)
{
    return QStringLiteral("Custorin2Excel-") + ShortStampText(now) + QStringLiteral(".csv");
}

void AppendCsvValue(QByteArray &line, const char *bytes, qsizetype size)
{
    const qsizetype at = line.size();
    line.resize(at + 2 * size + 2);
    line.resize(putValue(line.data() + at, bytes, size) - line.constData());
}

void AppendCsvText(QByteArray &line, const char *bytes, qsizetype size)
{
    const qsizetype at = line.size();
    line.resize(at + 2 * size + 3);
    line.resize(putValue(line.data() + at, bytes, size, needsApostrophe(bytes, size)) -
                line.constData());
}

QByteArray ExportHeadingLine()
{
    QByteArray line;
    for (const char *heading : Headings) {
        if (!line.isEmpty())
            line += ',';
        AppendCsvValue(line, heading, qsizetype(std::strlen(heading)));
    }
    line += "\r\n";
    return line;
}

namespace
{

// Writes the "mm/dd/yyyy" text OleDateText gives the date, between double
// quotes, at p; returns the end. The day as ReceivedDay finds it, its digits
// written straight (a QLocale date format for every date of every listed
// entry would cost more than the rest of the line); a day outside years
// 1000..9999 goes the general way.
char *putDay(char *p, double ole)
{
    if (ole != 0 && std::isfinite(ole) && std::fabs(ole) <= 2958466.0) {
        static const QDate epoch(1899, 12, 30);
        const double dayPart = std::trunc(ole);
        const qint64 secs = std::llround(std::fabs(ole - dayPart) * 86400.0);
        int year = 0, month = 0, day = 0;
        epoch.addDays(qint64(dayPart) + (secs >= 86400 ? 1 : 0)).getDate(&year, &month, &day);
        if (year >= 1000 && year <= 9999) {
            *p++ = '"';
            p = putTwo(p, month);
            *p++ = '/';
            p = putTwo(p, day);
            *p++ = '/';
            p = putTwo(putTwo(p, year / 100), year % 100);
            *p++ = '"';
            return p;
        }
    }
    return putAscii(p, OleDateText(ole));
}

// Writes the line of the entry in record at p (room for MaxLineBytes);
// returns its end.
char *putRecordLine(char *p, const char *record)
{
    p = putStamp(p, doubleAt(record, EntryLayout::ControlNumber));
    for (const TextField &f : FieldsBeforeValue) {
        *p++ = ',';
        p = putText(p, record, f);
    }
    *p++ = ',';
    p = putMoney(p, qFromLittleEndian<qint64>(record + EntryLayout::Value));
    *p++ = ',';
    p = putText(p, record, OwnerField);
    *p++ = ',';
    p = putText(p, record, ReceivedFromField);
    *p++ = ',';
    p = putDay(p, doubleAt(record, EntryLayout::ReceivedDate));
    *p++ = ',';
    p = putText(p, record, ReleasedToField);
    *p++ = ',';
    // No released date while the date rounds to day 0.
    const double released = doubleAt(record, EntryLayout::ReleasedDate);
    if (std::nearbyint(released) == 0) {
        *p++ = '"';
        *p++ = '"';
    } else {
        p = putDay(p, released);
    }
    *p++ = ',';
    p = putText(p, record, DefendantField);
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

} // namespace

QByteArray ExportRecordLine(const char *record)
{
    QByteArray line(MaxLineBytes, Qt::Uninitialized);
    line.truncate(putRecordLine(line.data(), record) - line.constData());
    return line;
}

namespace
{

quint64 bitsOf(double d)
{
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

// Gathers the lines of the listed entries as the data file is read: each
// row's line lies in lines at slice[row] (offset, length; -1 while its
// entry has not been met).
struct Gathered {
    explicit Gathered(const std::vector<ListedEntry> &listed)
        : rows(listed), slice(listed.size(), {-1, 0})
    {
    }
    const std::vector<ListedEntry> &rows;
    std::vector<std::pair<qsizetype, qsizetype>> slice;
    // The lines, one after another: used bytes of capacity.
    std::unique_ptr<char[]> lines;
    qsizetype used = 0, capacity = 0;

    void reserve(qsizetype bytes)
    {
        if (bytes <= capacity)
            return;
        std::unique_ptr<char[]> more(new char[size_t(bytes)]);
        if (used > 0)
            std::memcpy(more.get(), lines.get(), size_t(used));
        lines = std::move(more);
        capacity = bytes;
    }

    // Gives row its entry's line from record (made once per record).
    void give(size_t row, const char *record, qsizetype *at)
    {
        if (*at < 0) {
            if (capacity - used < MaxLineBytes)
                reserve(qMax(2 * capacity, used + MaxLineBytes));
            *at = used;
            used = putRecordLine(lines.get() + used, record) - lines.get();
        }
        slice[row] = {*at, used - *at};
    }
};

// Reads the records the rows name: the whole file in large blocks when most
// of it is listed, else those records alone, in file order. A row whose
// record holds another entry now stays without its line. False when a read
// failed.
bool gatherAtListedNumbers(DataFile &file, Gathered &g, std::vector<bool> &used)
{
    const int count = file.recordCount();
    const size_t listed = g.rows.size();
    // The rows of each record number, chained (a row seldom shares one).
    std::vector<int> first(size_t(count) + 1, -1), next(listed, -1);
    std::vector<int> wanted;
    for (size_t i = listed; i-- > 0;) {
        const int n = g.rows[i].recordNumber;
        if (n < 1 || n > count)
            continue;
        if (first[size_t(n)] < 0)
            wanted.push_back(n);
        next[i] = first[size_t(n)];
        first[size_t(n)] = int(i);
    }
    g.reserve(qsizetype(wanted.size()) * 256);
    auto take = [&](int n, const char *record) {
        qsizetype at = -1;
        for (int i = first[size_t(n)]; i >= 0; i = next[size_t(i)]) {
            if (holdsListedEntry(record, g.rows[size_t(i)].controlNumber)) {
                g.give(size_t(i), record, &at);
                used[size_t(n)] = true;
            }
        }
    };
    if (wanted.size() * 4 >= size_t(count)) {
        return file.forEachRaw([&](int n, const char *record) {
            if (first[size_t(n)] >= 0)
                take(n, record);
            return true;
        });
    }
    std::sort(wanted.begin(), wanted.end());
    for (const int n : wanted) {
        const QByteArray record = file.readRaw(n);
        if (record.size() != EntryRecordLength)
            return false;
        take(n, record.constData());
    }
    return true;
}

// Rows whose record holds another entry now: another workstation deleted
// entries, and the ones after moved up. Each is looked for by its control
// number in one pass over the file; a record already given to a row is not
// given again. False when a read failed.
bool gatherMoved(DataFile &file, Gathered &g, std::vector<bool> &used)
{
    QHash<quint64, std::vector<size_t>> missing;
    for (size_t i = 0; i < g.rows.size(); ++i) {
        if (g.slice[i].first < 0)
            missing[bitsOf(g.rows[i].controlNumber)].push_back(i);
    }
    if (missing.isEmpty())
        return true;
    return file.forEachRaw([&](int n, const char *record) {
        if (used[size_t(n)])
            return true;
        quint64 bits;
        std::memcpy(&bits, record + EntryLayout::ControlNumber, sizeof bits);
        const auto it = missing.find(bits);
        if (it == missing.end() || !holdsListedEntry(record, g.rows[it->front()].controlNumber))
            return true;
        qsizetype at = -1;
        for (const size_t row : *it)
            g.give(row, record, &at);
        used[size_t(n)] = true;
        missing.erase(it);
        return !missing.isEmpty();
    });
}

// Writes all of bytes. A write can fall short without an error (the disk
// filled up); writing the rest then says why.
bool writeAll(QSaveFile &out, QByteArrayView bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 n = out.write(bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

MsgBoxRequest ExportOutcomeMessage(const DataSet &ds, ExportOutcome::Status status)
{
    return DataFileUnavailableMessage(ds, status == ExportOutcome::DataUnavailable);
}

ExportOutcome WriteSpreadsheetFile(DataSet &ds, const QString &path,
                                   const std::vector<ListedEntry> &rows)
{
    ExportOutcome outcome;
    Gathered g(rows);

    // A reader does not create the data file: with none, every listed
    // entry has gone.
    if (!rows.empty() && QFileInfo::exists(DataPath(ds, DataFileName))) {
        DataFile file(ds);
        if (!file.open(DataFile::ForReading)) {
            outcome.status = ExportOutcome::DataUnavailable;
            return outcome;
        }
        std::vector<bool> used(size_t(file.recordCount()) + 1, false);
        const bool ok = gatherAtListedNumbers(file, g, used) && gatherMoved(file, g, used);
        file.close();
        if (!ok) {
            outcome.status = ExportOutcome::DataNotRead;
            return outcome;
        }
    }

    // Written under a temporary name and renamed over the target only when
    // complete: the lines in the list's order, gathered into one buffer
    // that is written and filled again (the whole file is never copied).
    QSaveFile out(path);
    bool ok = out.open(QIODevice::WriteOnly);
    constexpr qsizetype ChunkBytes = 1 << 20;
    std::unique_ptr<char[]> chunk(new char[size_t(ChunkBytes + MaxLineBytes)]);
    const QByteArray heading = ExportHeadingLine();
    std::memcpy(chunk.get(), heading.constData(), size_t(heading.size()));
    qsizetype filled = heading.size();
    for (const auto &slice : g.slice) {
        if (slice.first < 0) {
            ++outcome.leftOut;
            continue;
        }
        std::memcpy(chunk.get() + filled, g.lines.get() + slice.first, size_t(slice.second));
        filled += slice.second;
        ++outcome.written;
        if (ok && filled >= ChunkBytes) {
            ok = writeAll(out, QByteArrayView(chunk.get(), filled));
            filled = 0;
        }
    }
    ok = ok && writeAll(out, QByteArrayView(chunk.get(), filled));
    g.lines.reset();
    if (!ok) {
        // Taken before cancelling, which forgets it.
        outcome.reason = out.errorString();
        out.cancelWriting();
    } else if (!out.commit()) {
        ok = false;
        outcome.reason = out.errorString();
    }
    if (!ok) {
        outcome.status = ExportOutcome::FileFailed;
        // Qt's words when the system gave none.
        if (outcome.reason.isEmpty() || outcome.reason == QLatin1String("Unknown error"))
            outcome.reason = QStringLiteral("The file could not be written completely.");
        return outcome;
    }
    outcome.status = ExportOutcome::Written;
    // On the trail: what left the evidence room's list, and where to.
    FolderLock lock(ds);
    outcome.logged = lock.acquire() && AppendLogLine(lock, DataRecordsLogName,
                                                     ExportLogLine(ds.session(), desktop().now(),
                                                                   outcome.written, path));
    return outcome;
}

QString ExportLogLine(const Session &who, const QDateTime &now, int entries, const QString &path)
{
    return LogStamp(now) + QStringLiteral(" - List of %1 entries exported to '").arg(entries) +
           OneLine(QDir::toNativeSeparators(path)) + QStringLiteral("' by ") +
           OneLine(who.CurrentUserName);
}

// ---- What the person is asked and told ----

MsgBoxRequest ExportIntroQuestion()
{
    return MakeMsgBoxRequest(QStringLiteral("Create a Spreadsheet Data File"), 5,
                             QStringLiteral("This will create a *.CVS Excel file of the") + CrLf +
                                 AppTitle + QStringLiteral(" entries listed in this window which") +
                                 CrLf +
                                 QStringLiteral("can then be imported into an Excel spreadsheet") +
                                 CrLf + QStringLiteral("or other similar spreadsheet programs."),
                             1, false, {QStringLiteral("&Continue"), QStringLiteral("C&ancel")});
}

MsgBoxRequest ExportNameQuestion(const QString &fileName)
{
    return MakeMsgBoxRequest(
        QStringLiteral("Data File Export Wizard"), 5,
        QStringLiteral("The name of the data file will be") + CrLf + CrLf + fileName + CrLf + CrLf +
            QStringLiteral("It will be located in the") + CrLf + QStringLiteral("default ") +
            AppTitle + QStringLiteral(" data folder."),
        1, false, {QStringLiteral("&Create the data file"), QStringLiteral("C&ancel")});
}

MsgBoxRequest ExportDoneNotice(const QString &path)
{
    return MakeMsgBoxRequest(QStringLiteral("Spreadsheet file created"), 5,
                             QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()) + CrLf +
                                 CrLf + QStringLiteral("has been successfully created and is") +
                                 CrLf + QStringLiteral("ready for import as a spreadsheet file.") +
                                 CrLf + CrLf +
                                 QStringLiteral("Note that you may have to re-format,") + CrLf +
                                 QStringLiteral("certain columnar information."),
                             1, false, {okay()});
}

MsgBoxRequest ExportFailedNotice(const QString &fileName, const QString &folder,
                                 const QString &reason)
{
    return MakeMsgBoxRequest(QStringLiteral("Spreadsheet file not created"), 4,
                             QStringLiteral("The spreadsheet file") + CrLf + fileName + CrLf +
                                 QStringLiteral("could not be written in the data folder") + CrLf +
                                 folder + CrLf + CrLf + QStringLiteral("The system says: ") +
                                 reason + CrLf + CrLf +
                                 QStringLiteral("Nothing has been written; an earlier file") +
                                 CrLf + QStringLiteral("of that name is as it was."),
                             1, false, {okay()});
}

MsgBoxRequest ExportLeftOutNotice(int leftOut, int listed)
{
    const bool one = leftOut == 1;
    return MakeMsgBoxRequest(QStringLiteral("Entries deleted meanwhile"), 4,
                             QString::number(leftOut) + QStringLiteral(" of the ") +
                                 QString::number(listed) + QStringLiteral(" listed entries ") +
                                 (one ? QStringLiteral("has") : QStringLiteral("have")) +
                                 QStringLiteral(" been deleted at another") + CrLf +
                                 QStringLiteral("workstation since the list was loaded and ") +
                                 (one ? QStringLiteral("is") : QStringLiteral("are")) + CrLf +
                                 QStringLiteral("not in the spreadsheet file; the others are.") +
                                 CrLf + CrLf +
                                 QStringLiteral("Refresh the list to see what it holds now."),
                             1, false, {okay()});
}

QString ExportBusyCaption()
{
    return QStringLiteral("Creating...");
}
