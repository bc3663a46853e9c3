#include "core/entries/EntryRecord.h"

#include "core/common/Formats.h"
#include "core/common/Globals.h"

#include <QtEndian>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <array>
#include <cstring>

namespace
{

using namespace EntryLayout;

struct TextField {
    int offset;
    int width;
    QString EntryRecord::*member;
};

const TextField kText[] = {
    {CaseNumber, 15, &EntryRecord::CaseNumber},
    {Location, 50, &EntryRecord::Location},
    {Category, 20, &EntryRecord::Category},
    {BrandName, 20, &EntryRecord::BrandName},
    {ModelNumber, 20, &EntryRecord::ModelNumber},
    {SerialNumber, 20, &EntryRecord::SerialNumber},
    {Description, 60, &EntryRecord::Description},
    {Owner, 100, &EntryRecord::Owner},
    {ReceivedFrom, 70, &EntryRecord::ReceivedFrom},
    {ReleasedTo, 70, &EntryRecord::ReleasedTo},
    {Defendant, 50, &EntryRecord::Defendant},
    {Reserved1, 150, &EntryRecord::Reserved1},
    {Reserved2, 150, &EntryRecord::Reserved2},
    {Reserved3, 150, &EntryRecord::Reserved3},
    {Narrative, 1921, &EntryRecord::Narrative},
    {ChainOfCustody, 2099, &EntryRecord::ChainOfCustody},
};

// Windows-1252 byte to UTF-16, from the one conversion of the program.
const char16_t *decodeTable()
{
    static const auto table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[size_t(b)] = FromWindows1252(QByteArray(1, char(b))).at(0).unicode();
        return t;
    }();
    return table.data();
}

// Puts the characters of 0x80..0x9F right from the table in out[from..to).
void fixWindows1252(const unsigned char *p, int from, int to, char16_t *out)
{
    for (int k = from; k < to; ++k) {
        if ((p[k] & 0xE0) == 0x80)
            out[k] = decodeTable()[p[k]];
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Thirty-two bytes to thirty-two characters per step, where the processor
// can; what is left shorter than 32 is for the caller.
__attribute__((target("avx2"))) int widenAvx2(const unsigned char *p, int n, char16_t *out)
{
    int i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i + 16));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i), _mm256_cvtepu8_epi16(a));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + i + 16), _mm256_cvtepu8_epi16(b));
        if (_mm_movemask_epi8(_mm_or_si128(a, b)) != 0)
            fixWindows1252(p, i, i + 32, out);
    }
    return i;
}

bool haveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}

#endif

// Widens n Windows-1252 bytes into out (UTF-16, room for n). Latin-1 and
// Windows-1252 differ only in 0x80..0x9F, put right from the table.
void widen(const unsigned char *p, int n, char16_t *out)
{
    int i = 0;
#if defined(__x86_64__) && defined(__GNUC__)
    if (haveAvx2())
        i = widenAvx2(p, n, out);
#endif
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8), _mm_unpackhi_epi8(v, zero));
        if (_mm_movemask_epi8(v) != 0)
            fixWindows1252(p, i, i + 16, out);
    }
#endif
    for (; i < n; ++i)
        out[i] = (p[i] & 0xE0) == 0x80 ? decodeTable()[p[i]] : char16_t(p[i]);
}

// Reads a padded text field into out: the same result as FromFixedText,
// but the list load decodes every record of the file, so it is fast and
// reuses out's buffer when nobody else shares it.
void readText(const char *data, int width, QString &out)
{
    const auto [begin, end] = TrimmedSpan(data, width);
    const int n = end - begin;
    if (n == 0) {
        out.clear();
        return;
    }
    out.resize(n);
    widen(reinterpret_cast<const unsigned char *>(data + begin), n,
          reinterpret_cast<char16_t *>(out.data()));
}

void writeText(char *data, const QString &text, int width)
{
    const QByteArray bytes = ToFixedText(text, width);
    std::memcpy(data, bytes.constData(), size_t(width));
}

double readDouble(const char *data)
{
    return qFromLittleEndian<double>(data);
}

} // namespace

std::pair<int, int> TrimmedSpan(const char *data, int width)
{
    int begin = 0;
    int end = width;
    // Padding, 16 bytes at a time: a byte & 0xDF is 0 only for a blank or
    // a NUL.
#if defined(__SSE2__)
    const __m128i notBlankBits = _mm_set1_epi8(char(0xDF));
    while (end - begin >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + end - 16));
        const unsigned blanks = unsigned(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, notBlankBits), _mm_setzero_si128())));
        if (blanks != 0xFFFFu) {
            // Up to the last byte of the sixteen that is no blank.
            end -= 16 - (32 - __builtin_clz(~blanks & 0xFFFFu));
            break;
        }
        end -= 16;
    }
#endif
    while (end > begin && (data[end - 1] == ' ' || data[end - 1] == '\0'))
        --end;
    while (begin < end && (data[begin] == ' ' || data[begin] == '\0'))
        ++begin;
    return {begin, end};
}

int EntryTextWidth(int offset)
{
    for (const TextField &f : kText) {
        if (f.offset == offset)
            return f.width;
    }
    return 0;
}

QByteArray EntryRecord::Pack() const
{
    QByteArray out(Length, ' ');
    char *d = out.data();
    qToLittleEndian<qint16>(VersionStamp, d + EntryLayout::VersionStamp);
    qToLittleEndian<double>(ControlNumber, d + EntryLayout::ControlNumber);
    for (const TextField &f : kText)
        writeText(d + f.offset, this->*f.member, f.width);
    qToLittleEndian<qint64>(Value, d + EntryLayout::Value);
    qToLittleEndian<double>(ReceivedDate, d + EntryLayout::ReceivedDate);
    qToLittleEndian<double>(ReleasedDate, d + EntryLayout::ReleasedDate);
    d[EntryLayout::Status] = char(Status);
    return out;
}

EntryRecord EntryRecord::Unpack(const char *data, int len)
{
    if (len < Length) {
        // Missing bytes read as zeros (blank text, no date, status unset).
        QByteArray full(Length, '\0');
        if (len > 0)
            std::memcpy(full.data(), data, size_t(len));
        return Unpack(full.constData(), Length);
    }
    EntryRecord r;
    UnpackInto(r, data);
    return r;
}

void EntryRecord::UnpackInto(EntryRecord &r, const char *data)
{
    r.VersionStamp = qFromLittleEndian<qint16>(data + EntryLayout::VersionStamp);
    r.ControlNumber = readDouble(data + EntryLayout::ControlNumber);
    for (const TextField &f : kText)
        readText(data + f.offset, f.width, r.*f.member);
    r.Value = qFromLittleEndian<qint64>(data + EntryLayout::Value);
    r.ReceivedDate = readDouble(data + EntryLayout::ReceivedDate);
    r.ReleasedDate = readDouble(data + EntryLayout::ReleasedDate);
    r.Status = static_cast<quint8>(data[EntryLayout::Status]);
}

qint16 CurrentVersionStamp()
{
    // Digits one after the other: 9 and 11 give "911", 7 and 2 give "72".
    return qint16((QString::number(AppVersionMajor) + QString::number(AppVersionMinor)).toInt());
}
