#include "core/entries/TextPool.h"

#include <algorithm>

TextPool::TextPool(qsizetype blockChars) : m_blockChars(qMax<qsizetype>(blockChars, 16)) {}

char16_t *TextPool::room(qsizetype size)
{
    if (size + 1 > m_blockChars)
        return nullptr;
    if (!m_block.d_ptr() || m_used + size + 1 > m_blockChars) {
        auto [header, data] = QTypedArrayData<char16_t>::allocate(m_blockChars);
        if (!header)
            return nullptr;
        m_block = QString::DataPointer(header, data, 0);
        m_used = 0;
    }
    return m_block.data() + m_used;
}

QString TextPool::take(char16_t *where, qsizetype size)
{
    // Terminated like every QString's text, so utf16() may hand it out.
    where[size] = u'\0';
    m_used += size + 1;
    m_block.d_ptr()->ref();
    return QString(QString::DataPointer(m_block.d_ptr(), where, size));
}

QString TextPool::fromLatin1(const char *data, qsizetype size)
{
    char16_t *where = size > 0 ? room(size) : nullptr;
    if (!where)
        return QString::fromLatin1(data, size);
    for (qsizetype i = 0; i < size; ++i)
        where[i] = static_cast<unsigned char>(data[i]);
    return take(where, size);
}

QString TextPool::add(QStringView text)
{
    char16_t *where = text.isEmpty() ? nullptr : room(text.size());
    if (!where)
        return text.toString();
    std::copy(text.utf16(), text.utf16() + text.size(), where);
    return take(where, text.size());
}
