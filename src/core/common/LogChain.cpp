#include "core/common/LogChain.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <algorithm>

namespace
{

constexpr int kLinkSize = 32;

// One hash object for a whole verification: a fresh one per line costs
// more than the hashing of a short line.
class Linker
{
public:
    explicit Linker(const QByteArray &key)
        : m_sha(QCryptographicHash::Sha256), m_mac(QCryptographicHash::Sha256, key)
    {
    }
    QByteArray link(bool keyed, QByteArrayView previous, QByteArrayView bytes)
    {
        if (keyed) {
            m_mac.reset();
            m_mac.addData(previous.data(), previous.size());
            m_mac.addData(bytes.data(), bytes.size());
            return m_mac.result();
        }
        m_sha.reset();
        m_sha.addData(previous);
        m_sha.addData(bytes);
        return m_sha.result();
    }

private:
    QCryptographicHash m_sha;
    QMessageAuthenticationCode m_mac;
};

QByteArray linkLine(qint64 line, qint64 end, bool keyed, const QByteArray &value)
{
    return QByteArray::number(line) + ' ' + QByteArray::number(end) + (keyed ? " k " : " h ") +
           value.toHex() + '\n';
}

// A link line's fields: line, end, mode, hex.
struct LinkFields {
    qint64 line = 0;
    qint64 end = 0;
    bool keyed = false;
    QByteArray hex;
};

bool parseLink(const QList<QByteArray> &f, int at, LinkFields *out)
{
    if (f.size() != at + 4 || (f.at(at + 2) != "h" && f.at(at + 2) != "k") ||
        f.at(at + 3).size() != 2 * kLinkSize)
        return false;
    bool okLine = false, okEnd = false;
    out->line = f.at(at).toLongLong(&okLine);
    out->end = f.at(at + 1).toLongLong(&okEnd);
    out->keyed = f.at(at + 2) == "k";
    out->hex = f.at(at + 3);
    return okLine && okEnd && out->line > 0 && out->end >= 0;
}

} // namespace

QByteArray LogChain::link(const QByteArray &previous, const QByteArray &bytes) const
{
    return Linker(m_key).link(keyed(), previous, bytes);
}

ChainHead LogChain::headOf(const QByteArray &tail)
{
    ChainHead head;
    head.value = QByteArray(kLinkSize, '\0');
    qint64 stop = tail.lastIndexOf('\n');
    while (stop > 0) {
        const qint64 start = tail.lastIndexOf('\n', stop - 1) + 1;
        const QList<QByteArray> f = tail.mid(start, stop - start).split(' ');
        LinkFields link;
        const int at = f.value(0) == "sealed-from" ? 1 : 0;
        if (f.value(0) != "repaired" && parseLink(f, at, &link)) {
            head.lines = at ? link.line - 1 : link.line;
            head.end = link.end;
            head.value = QByteArray::fromHex(link.hex);
            head.started = true;
            return head;
        }
        if (start == 0)
            break;
        stop = start - 1;
    }
    return head;
}

QByteArray LogChain::extend(ChainHead *head, const QByteArray &added, qint64 lateEnd,
                            const QString &when) const
{
    Linker linker(m_key);
    QByteArray links;
    qint64 late = 0;
    qint64 pos = 0;
    for (qint64 nl = added.indexOf('\n'); nl >= 0; nl = added.indexOf('\n', pos)) {
        head->value =
            linker.link(keyed(), head->value, QByteArrayView(added).sliced(pos, nl + 1 - pos));
        head->end += nl + 1 - pos;
        ++head->lines;
        head->started = true;
        if (head->end <= lateEnd)
            ++late;
        links += linkLine(head->lines, head->end, keyed(), head->value);
        pos = nl + 1;
    }
    if (late == 0)
        return links;
    const qint64 first = head->lines - links.count('\n') + 1;
    return "repaired " + QByteArray::number(first) + ' ' + QByteArray::number(first + late - 1) +
           ' ' + when.toLatin1() + '\n' + links;
}

QByteArray LogChain::sealFrom(ChainHead *head, const QByteArray &prefix) const
{
    head->lines = prefix.count('\n');
    head->end = prefix.size();
    head->value = link(QByteArray(kLinkSize, '\0'), prefix);
    head->started = true;
    return "sealed-from " + linkLine(head->lines + 1, head->end, keyed(), head->value);
}

namespace
{

// One pass over a chain's text beside its log: each link checked against
// the log's next line, the seal points as the chain reaches them.
class ChainWalk
{
public:
    ChainWalk(const QByteArray &key, const QByteArray &log, const QList<SealPoint> &seals)
        : m_linker(key), m_keyed(!key.isEmpty()), m_log(log), m_previous(kLinkSize, '\0')
    {
        for (const SealPoint &p : seals)
            if (p.line > 0) // a seal of an empty log binds nothing
                m_points << p;
        std::stable_sort(m_points.begin(), m_points.end(),
                         [](const SealPoint &a, const SealPoint &b) { return a.line < b.line; });
        v.lines = log.count('\n');
    }

    // One line of the chain's text; false when the walk ends there.
    bool step(const QByteArray &text)
    {
        const QList<QByteArray> f = text.split(' ');
        if (f.at(0) == "repaired") {
            v.notes << QStringLiteral("lines %1 to %2 were linked late, on %3 (a writer stopped "
                                      "between a line and its link)")
                           .arg(QString::fromLatin1(f.value(1)), QString::fromLatin1(f.value(2)),
                                QString::fromLatin1(f.mid(3).join(' ')));
            return true;
        }
        const bool sealed = f.at(0) == "sealed-from";
        LinkFields k;
        if (!parseLink(f, sealed ? 1 : 0, &k) || (sealed && m_firstLinked))
            return fail(m_line + 1, QStringLiteral("its link can not be read"));
        if (k.keyed && !m_keyed) {
            v.notes << QStringLiteral("lines from %1 on are linked with the key, which this "
                                      "workstation does not have: not checked")
                           .arg(m_line + 1);
            m_unchecked = true;
            return false;
        }
        if (!k.keyed && m_sawKeyed)
            return fail(m_line + 1, QStringLiteral("its link was made without the key"));
        return sealed ? sealedFrom(k) : linked(k);
    }

    // After the last link: what lies beyond it. wholeTail: lines after the
    // last link are damage (a store that writes a line and its link at
    // once), not a writer stopped between them.
    ChainVerdict finish(bool wholeTail)
    {
        if (!v.firstBad && !m_unchecked)
            checkTail(wholeTail);
        v.verifiedUpTo = v.firstBad ? v.firstBad - 1 : m_line;
        return v;
    }

    ChainVerdict v;

private:
    bool fail(qint64 line, const QString &why)
    {
        if (v.firstBad == 0 || line < v.firstBad) {
            v.firstBad = line;
            v.problem = why;
        }
        return false;
    }

    // The seals at line at (reached with value): a seal that does not
    // match breaks the log after the last one that does.
    void checkSeals(qint64 at, const QByteArray &value)
    {
        for (; m_nextSeal < m_points.size() && m_points.at(m_nextSeal).line <= at; ++m_nextSeal) {
            const SealPoint &p = m_points.at(m_nextSeal);
            if (p.line < at)
                continue; // before the chain began
            if (p.value == value)
                m_lastGoodSeal = at;
            else
                fail(m_lastGoodSeal + 1,
                     QStringLiteral("the log was rewritten after it was sealed on %1 at line %2")
                         .arg(p.when)
                         .arg(p.line));
        }
    }

    // A "sealed-from" link: one link over every line before it.
    bool sealedFrom(const LinkFields &k)
    {
        const QByteArrayView log(m_log);
        const bool whole = k.end <= log.size() && (k.end == 0 || log.at(k.end - 1) == '\n') &&
                           log.first(k.end).count('\n') == k.line - 1;
        if (!whole || m_linker.link(k.keyed, m_previous, log.first(k.end)).toHex() != k.hex)
            return fail(1, QStringLiteral("lines 1 to %1 are not as they were when the chain began")
                               .arg(k.line - 1));
        v.notes << QStringLiteral("sealed from line %1").arg(k.line);
        m_line = k.line - 1;
        m_pos = k.end;
        m_previous = QByteArray::fromHex(k.hex);
        m_firstLinked = k.line;
        m_sawKeyed = k.keyed;
        checkSeals(m_line, m_previous);
        return true;
    }

    // The link of the log's next line.
    bool linked(const LinkFields &k)
    {
        if (!m_firstLinked)
            m_firstLinked = k.line;
        const qint64 nl = m_log.indexOf('\n', m_pos);
        if (k.line != m_line + 1 || nl < 0)
            return fail(m_line + 1, nl < 0 && m_pos < m_log.size()
                                        ? QStringLiteral("it has been cut short")
                                    : nl < 0 ? QStringLiteral("it is missing")
                                             : QStringLiteral("its link is missing"));
        const QByteArray value =
            m_linker.link(k.keyed, m_previous, QByteArrayView(m_log).sliced(m_pos, nl + 1 - m_pos));
        if (nl + 1 != k.end || value.toHex() != k.hex)
            return fail(m_line + 1, QStringLiteral("it is not the line that was linked"));
        m_previous = value;
        m_pos = nl + 1;
        ++m_line;
        m_sawKeyed = m_sawKeyed || k.keyed;
        checkSeals(m_line, value);
        return true;
    }

    void checkTail(bool wholeTail)
    {
        // Whole lines after the last link: where a writer can stop between
        // a line and its link, the next line written links them (a
        // recorded repair). Half a line is damage.
        if (v.lines > m_line && wholeTail)
            fail(m_line + 1, QStringLiteral("it has no link: it was not written by the program"));
        else if (v.lines > m_line)
            v.notes << QStringLiteral("lines %1 to %2 have no link yet (a writer stopped between "
                                      "a line and its link; the next line written links them)")
                           .arg(m_line + 1)
                           .arg(v.lines);
        if (!m_log.isEmpty() && !m_log.endsWith('\n'))
            fail(v.lines + 1, QStringLiteral("it is incomplete"));
        else if (m_nextSeal < m_points.size())
            fail(m_line + 1, QStringLiteral("the log is shorter than when it was sealed "
                                            "on %1 at line %2")
                                 .arg(m_points.at(m_nextSeal).when)
                                 .arg(m_points.at(m_nextSeal).line));
        else if (m_keyed && !m_sawKeyed && m_firstLinked)
            fail(m_firstLinked, QStringLiteral("its chain was made without the key"));
    }

    Linker m_linker;
    const bool m_keyed;
    const QByteArray &m_log;
    QList<SealPoint> m_points;
    QByteArray m_previous;
    qint64 m_pos = 0, m_line = 0, m_lastGoodSeal = 0, m_firstLinked = 0;
    int m_nextSeal = 0;
    bool m_sawKeyed = false, m_unchecked = false;
};

} // namespace

ChainVerdict LogChain::verify(const QByteArray &log, const QByteArray &chain,
                              const QList<SealPoint> &seals, bool wholeTail) const
{
    ChainWalk walk(m_key, log, seals);
    for (qsizetype pos = 0; pos < chain.size();) {
        qsizetype nl = chain.indexOf('\n', pos);
        if (nl < 0)
            nl = chain.size();
        if (nl > pos && (!walk.step(chain.mid(pos, nl - pos)) || walk.v.firstBad))
            break;
        pos = nl + 1;
    }
    return walk.finish(wholeTail);
}

// ---- seals ----

namespace
{

QByteArray sealBody(const SealRecord &r)
{
    return (r.restore ? "restored " : "seal ") + r.when.toLatin1() + ' ' + r.log.toLatin1() + ' ' +
           QByteArray::number(r.line) + ' ' + (r.restore ? QByteArray("-") : r.value.toHex());
}

QByteArray sealMac(const LogChain &chain, const QByteArray &body, const QString &what)
{
    return chain.link(body, what.toUtf8()).toHex();
}

} // namespace

QByteArray SealRecordLine(const LogChain &chain, const SealRecord &record)
{
    const QByteArray body = sealBody(record);
    QByteArray line = body + ' ' + (chain.keyed() ? sealMac(chain, body, record.what) : "-");
    if (!record.what.isEmpty())
        line += ' ' + record.what.toUtf8();
    return line + '\n';
}

QList<SealRecord> ParseSeals(const LogChain &chain, const QByteArray &bytes)
{
    QList<SealRecord> records;
    int number = 0;
    for (const QByteArray &text : bytes.split('\n')) {
        ++number;
        QList<QByteArray> f = text.split(' ');
        if (f.size() < 6 || (f.at(0) != "seal" && f.at(0) != "restored"))
            continue;
        SealRecord r;
        r.restore = f.at(0) == "restored";
        r.when = QString::fromLatin1(f.at(1));
        r.log = QString::fromLatin1(f.at(2));
        r.line = f.at(3).toLongLong();
        r.value = QByteArray::fromHex(f.at(4));
        r.what = QString::fromUtf8(f.mid(6).join(' '));
        r.keyed = f.at(5) != "-";
        r.fileLine = number;
        if (chain.keyed() && r.keyed)
            r.macOk = sealMac(chain, f.mid(0, 5).join(' '), r.what) == f.at(5);
        records.append(r);
    }
    return records;
}

QList<SealPoint> SealPointsFor(const QList<SealRecord> &records, const QString &log,
                               QStringList *notes, QStringList *problems)
{
    QList<SealPoint> points;
    bool sawKeyed = false;
    for (const SealRecord &r : records) {
        if (r.log != log)
            continue;
        if (!r.macOk || (sawKeyed && !r.keyed)) {
            problems->append(QStringLiteral("its record on line %1 of the seals file was not made "
                                            "with the key")
                                 .arg(r.fileLine));
            continue;
        }
        sawKeyed = sawKeyed || r.keyed;
        if (!r.restore) {
            points.append({r.line, r.value, r.when});
            continue;
        }
        const auto later = std::remove_if(points.begin(), points.end(),
                                          [&](const SealPoint &p) { return p.line > r.line; });
        const qsizetype history = points.end() - later;
        points.erase(later, points.end());
        notes->append(
            QStringLiteral("restored on %1 to line %2 %3").arg(r.when).arg(r.line).arg(r.what) +
            (history ? QStringLiteral("; %1 later seal(s) kept as history").arg(history)
                     : QString()));
    }
    return points;
}

ChainVerdict VerifyStoredLog(const LogChain &chain, const QString &logName, const QByteArray &log,
                             const QByteArray &links, const QByteArray &seals, bool wholeTail)
{
    QStringList notes, problems;
    const QList<SealPoint> points =
        SealPointsFor(ParseSeals(chain, seals), logName, &notes, &problems);
    ChainVerdict verdict = chain.verify(log, links, points, wholeTail);
    verdict.notes << notes;
    if (verdict.ok() && !problems.isEmpty()) {
        verdict.firstBad = verdict.verifiedUpTo + 1;
        verdict.verifiedUpTo = 0;
        verdict.problem = problems.first();
    }
    return verdict;
}
