// Many short texts made in one go (the cells of a long list) share a few
// large blocks of memory instead of taking one allocation each. Every text
// holds a reference to its block, so it is an ordinary QString: it may be
// copied, changed (a change makes its own copy) and kept for as long as
// wanted; a block is freed when its last text goes.
#pragma once

#include <QString>

class TextPool
{
public:
    // Texts longer than blockChars get an allocation of their own.
    explicit TextPool(qsizetype blockChars = 8192);
    TextPool(TextPool &&) = default;
    TextPool &operator=(TextPool &&) = default;

    // The bytes taken one character each (Latin-1).
    QString fromLatin1(const char *data, qsizetype size);
    QString add(QStringView text);

private:
    // Room for size characters and a closing NUL in the current block.
    char16_t *room(qsizetype size);
    QString take(char16_t *where, qsizetype size);

    qsizetype m_blockChars;
    QString::DataPointer m_block; // the pool's own hold on the current block
    qsizetype m_used = 0;
};
