// Windows-1252 text and the fixed-width text fields of the stored records.
#include "core/common/Formats.h"

#include <QHash>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{

// Code points of bytes 0x80..0x9F; 0 marks the five undefined bytes, which
// the system's conversion maps to the same code point.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

const QHash<char16_t, char> &reverseHigh()
{
    static const QHash<char16_t, char> table = [] {
        QHash<char16_t, char> t;
        for (int i = 0; i < 32; ++i)
            t.insert(kHigh[i] ? kHigh[i] : char16_t(0x80 + i), char(0x80 + i));
        return t;
    }();
    return table;
}

// Windows-1252 and Latin-1 differ only in 0x80..0x9F.
inline char16_t decodeByte(unsigned char b)
{
    return (b & 0xE0) == 0x80 && kHigh[b - 0x80] ? kHigh[b - 0x80] : char16_t(b);
}

// Decodes n bytes into out (room for n characters). Where the processor
// has SSE2 (every x86-64 one), sixteen bytes are widened at a time and only
// a block holding a byte above 0x7F is looked at byte by byte.
void decode(const char *data, qsizetype n, QChar *out)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    auto *o = reinterpret_cast<char16_t *>(out);
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(o + i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(o + i + 8), _mm_unpackhi_epi8(v, zero));
        if (_mm_movemask_epi8(v) != 0) {
            for (qsizetype k = i; k < i + 16; ++k)
                o[k] = decodeByte(p[k]);
        }
    }
#endif
    for (; i < n; ++i)
        o[i] = decodeByte(p[i]);
}

} // namespace

QByteArray ToWindows1252(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
            continue;
        }
        auto it = reverseHigh().constFind(u);
        if (it != reverseHigh().constEnd()) {
            out.append(it.value());
            continue;
        }
        // A surrogate pair is one character: one "?".
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        out.append('?');
    }
    return out;
}

QString FromWindows1252(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QString();
    QString out(bytes.size(), Qt::Uninitialized);
    decode(bytes.constData(), bytes.size(), out.data());
    return out;
}

QByteArray ToFixedText(const QString &text, int width)
{
    QByteArray bytes = ToWindows1252(text);
    if (bytes.size() > width)
        bytes.truncate(width);
    else if (bytes.size() < width)
        bytes.append(QByteArray(width - bytes.size(), ' '));
    return bytes;
}

std::pair<int, int> TrimmedSpan(const char *data, int width)
{
    int begin = 0;
    int end = width;
#if defined(__SSE2__)
    // The padding of a long field, sixteen bytes at a time: a byte & 0xDF
    // is 0 only for a blank or a NUL.
    const __m128i notBlankBits = _mm_set1_epi8(char(0xDF));
    // Sixty-four bytes of padding at a time while they are all blanks.
    while (end >= 64) {
        const auto *at = reinterpret_cast<const __m128i *>(data + end - 64);
        const __m128i any =
            _mm_or_si128(_mm_or_si128(_mm_loadu_si128(at), _mm_loadu_si128(at + 1)),
                         _mm_or_si128(_mm_loadu_si128(at + 2), _mm_loadu_si128(at + 3)));
        if (_mm_movemask_epi8(
                _mm_cmpeq_epi8(_mm_and_si128(any, notBlankBits), _mm_setzero_si128())) != 0xFFFF)
            break;
        end -= 64;
    }
    while (end >= 16) {
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

void ReadFixedText(const char *data, int width, QString &out)
{
    const auto [begin, end] = TrimmedSpan(data, width);
    const int n = end - begin;
    if (n == 0) {
        out.clear();
        return;
    }
    if (out.isDetached() && out.capacity() >= n)
        out.resize(n);
    else
        out = QString(n, Qt::Uninitialized);
    decode(data + begin, n, out.data());
}

QString FromFixedText(const char *data, int width)
{
    QString out;
    ReadFixedText(data, width, out);
    return out;
}
