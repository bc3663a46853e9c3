#include "gui/platform/TypingLimit.h"

#include <QLineEdit>
#include <QValidator>

namespace
{

// QLineEdit's own maximum length also cuts what setText() puts into the
// box; a validator only sees what is typed or pasted.
class TypingLimitValidator : public QValidator
{
public:
    TypingLimitValidator(int limit, QObject *parent)
        : QValidator(parent), m_limit(limit), m_room(limit)
    {
    }

    int limit() const { return m_limit; }
    void makeRoomFor(int length) { m_room = qMax(m_limit, length); }

    State validate(QString &input, int &pos) const override
    {
        const int excess = int(input.size()) - m_room;
        if (excess <= 0)
            return Acceptable;
        // What did not fit is taken off where it was inserted, before the
        // caret; what is left over (a caret at the start) off the end.
        const int before = qMin(excess, pos);
        input.remove(pos - before, before);
        pos -= before;
        if (excess > before)
            input.chop(excess - before);
        return Acceptable;
    }

private:
    int m_limit;
    int m_room; // the limit, or the length of a longer text the program set
};

TypingLimitValidator *validatorOf(const QLineEdit *box)
{
    return box ? dynamic_cast<TypingLimitValidator *>(const_cast<QValidator *>(box->validator()))
               : nullptr;
}

} // namespace

void SetTypingLimit(QLineEdit *box, int limit)
{
    auto *validator = new TypingLimitValidator(limit, box);
    validator->makeRoomFor(int(box->text().size()));
    box->setValidator(validator);
}

int TypingLimit(const QLineEdit *box)
{
    const TypingLimitValidator *v = validatorOf(box);
    return v ? v->limit() : 0;
}

void SetTextWhole(QLineEdit *box, const QString &text)
{
    if (TypingLimitValidator *v = validatorOf(box))
        v->makeRoomFor(int(text.size()));
    box->setText(text);
}
