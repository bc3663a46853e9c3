#include "SampleData.h"

#include "core/common/Formats.h"

#include <QFile>
#include <QRandomGenerator>

namespace SampleData
{

namespace
{

// clang-format off
const QStringList kBrands = {"Apple", "Samsung", "Sony", "DeWalt", "Craftsman", "Trek", "Glock",
    "Smith & Wesson", "Dell", "HP", "Canon", "Nikon", "Honda", "Schwinn", "Rolex", "Seiko",
    "Coach", "Nike", "Stihl", "Husqvarna", "Lenovo", "Garmin", "Bosch"};
const QStringList kItems = {"bicycle", "laptop computer", "cell phone", "wallet", "handgun",
    "rifle", "wrist watch", "ring", "necklace", "tablet", "camera", "power drill", "chain saw",
    "backpack", "purse", "jacket", "cash in envelope", "baggie of white powder", "pipe", "scale",
    "hard drive", "television", "leaf blower", "golf clubs"};
const QStringList kColours = {"black", "red", "blue", "silver", "white", "green", "gold", "grey"};
const QStringList kFirst = {"Pat", "Chris", "Jordan", "Alex", "Sam", "Taylor", "Morgan", "Casey",
    "Jamie", "Robin", "Terry", "Leslie", "José", "Zoë"};
const QStringList kLast = {"Doe", "Smith", "Johnson", "Garcia", "Miller", "Davis", "Brown",
    "Wilson", "Moore", "Clark", "Lewis", "Walker", "Müller", "O'Brien", "Nguyen", "Lopez"};
const QStringList kStreets = {"Main St", "Oak Ave", "Elm St", "Maple Dr", "Cedar Ln",
    "Washington Blvd", "Lake Rd", "Hill St"};
const QStringList kOfficers = {"Ofc. Pat Doe #112", "Sgt. Chris Clark #87",
    "Det. Morgan Lewis #45", "Ofc. Sam Nguyen #203", "Evidence Tech Robin Moore",
    "Lt. Jordan Walker #12"};
// clang-format on
const QStringList kSentences = {
    "Item was found at the scene and photographed before collection.",
    "Owner was contacted by phone and advised of the release procedure.",
    "Serial number was checked against the stolen property database; no match.",
    "Item was sealed in an evidence bag and initialed across the seal.",
    "Lab analysis was requested; results are pending.",
    "Defendant's attorney asked to inspect the item before trial.",
    "The item shows signs of damage to the casing – see photos.",
    "Recovered during a traffic stop; driver denied ownership.",
    "Turned in by a citizen who found it in the park near the pond.",
    "Case is closed; item may be released or disposed of after 90 days.",
};

const QString &pick(QRandomGenerator &rng, const QStringList &list)
{
    return list.at(int(rng.bounded(quint32(list.size()))));
}

QString person(QRandomGenerator &rng)
{
    return pick(rng, kFirst) + QLatin1Char(' ') + pick(rng, kLast);
}

QString paragraph(QRandomGenerator &rng, int maxChars)
{
    QString text;
    while (text.size() < maxChars) {
        const QString &s = pick(rng, kSentences);
        if (text.size() + s.size() + 1 > maxChars)
            break;
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += s;
    }
    return text;
}

} // namespace

const QStringList &Categories()
{
    // clang-format off
    static const QStringList list = {"Appliances", "Clothing", "Computer Equipment", "Currency",
        "Documents", "Drugs/Narcotics", "Electronics", "Furniture", "Jewelry/Metals",
        "Office Equipment", "Other", "Paraphernalia", "Sporting Goods", "Tools", "Vehicles",
        "Weapons", "Yard Equipment"};
    // clang-format on
    return list;
}

EntryRecord MakeEntry(quint32 seed, int index)
{
    QRandomGenerator rng(seed * 2654435761u + quint32(index) * 40503u + 1u);
    EntryRecord e;
    e.VersionStamp = rng.bounded(10) < 2 ? qint16(72) : qint16(911);

    // Received on some day of 2005..2025, saved soon after.
    const QDate day = QDate(2005, 1, 1).addDays(rng.bounded(21 * 365));
    const QTime time(int(rng.bounded(24)), int(rng.bounded(60)), int(rng.bounded(60)));
    const QDateTime received(day, time);
    e.ReceivedDate = ToOleDate(received);
    e.ControlNumber = rng.bounded(50) == 0 ? double(1 + rng.bounded(30000))
                                           : ToOleDate(received.addSecs(rng.bounded(7200)));

    e.CaseNumber = QStringLiteral("%1-%2")
                       .arg(day.year() % 100, 2, 10, QLatin1Char('0'))
                       .arg(rng.bounded(100000), 5, 10, QLatin1Char('0'));
    e.Location = QStringLiteral("Bin %1, Shelf %2, Room %3")
                     .arg(rng.bounded(1, 400))
                     .arg(QChar('A' + rng.bounded(8)))
                     .arg(rng.bounded(1, 4));
    e.Category = pick(rng, Categories());
    e.BrandName = pick(rng, kBrands);
    e.ModelNumber =
        QStringLiteral("M%1-%2").arg(rng.bounded(1000)).arg(QChar('A' + rng.bounded(26)));
    e.SerialNumber = QString::number(rng.bounded(1000000000u), 16).toUpper();
    e.Description = pick(rng, kColours) + QLatin1Char(' ') + pick(rng, kItems) +
                    QStringLiteral(", size %1").arg(rng.bounded(1, 20));
    e.Value = qint64(rng.bounded(0, 500000)) * 100; // up to $5,000.00 in cents
    e.Owner = person(rng) + QStringLiteral(", %1 %2, (555) %3-%4")
                                .arg(rng.bounded(1, 9999))
                                .arg(pick(rng, kStreets))
                                .arg(rng.bounded(100, 999))
                                .arg(rng.bounded(1000, 9999), 4, 10, QLatin1Char('0'));
    e.ReceivedFrom = pick(rng, kOfficers);
    if (rng.bounded(3) == 0) {
        e.ReleasedTo = rng.bounded(2) ? person(rng) : QStringLiteral("Destroyed by incineration");
        e.ReleasedDate = ToOleDate(received.addDays(rng.bounded(30, 900)));
    }
    if (rng.bounded(2) == 0)
        e.Defendant = person(rng);
    e.Narrative = paragraph(rng, rng.bounded(4) == 0 ? 1921 : int(rng.bounded(100, 1200)));
    QString chain;
    const int hands = int(rng.bounded(1, 30));
    QDateTime when = received;
    for (int i = 0; i < hands; ++i) {
        when = when.addSecs(rng.bounded(3600, 30 * 86400));
        const QString line = when.toString(QStringLiteral("MM/dd/yyyy HH:mm")) +
                             QStringLiteral(" - ") + pick(rng, kOfficers) +
                             QStringLiteral(" - checked out for lab, returned sealed\r\n");
        if (chain.size() + line.size() > 2099)
            break;
        chain += line;
    }
    e.ChainOfCustody = chain;
    e.Status = rng.bounded(4) == 0 ? quint8(StatusArchived) : quint8(StatusActive);
    return e;
}

QVector<EntryRecord> MakeEntries(int count, quint32 seed)
{
    QVector<EntryRecord> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i)
        entries.append(MakeEntry(seed, i));
    return entries;
}

bool WriteDataFile(const QString &path, int count, quint32 seed)
{
    QFile file(path);
    if (QFile::exists(path))
        QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOwner);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray block;
    for (int i = 0; i < count; ++i) {
        block += MakeEntry(seed, i).Pack();
        if (block.size() >= (1 << 20) || i == count - 1) {
            if (file.write(block) != block.size())
                return false;
            block.clear();
        }
    }
    return file.flush();
}

} // namespace SampleData
