#include "entry/frmSeeEntry.h"

// The card's fields, modes and saving are built on this shell.
frmSeeEntry::frmSeeEntry(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSeeEntry"));
}

frmSeeEntry::~frmSeeEntry() = default;

void frmSeeEntry::setTag(const QString &recordNumber)
{
    m_tag = recordNumber;
}

void frmSeeEntry::setProvisionalControlNumber(const QString &controlText)
{
    m_provisional = controlText;
}

void frmSeeEntry::setExpectedIdentity(double controlNumber, const QString &caseNumber)
{
    m_expectedControl = controlNumber;
    m_expectedCase = caseNumber;
    m_hasExpected = true;
}
