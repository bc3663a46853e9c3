// The entry card: shows one entry field by field, lets an entitled user
// edit it, and is the only place where new entries are created.
#pragma once

#include <QDialog>

class frmSeeEntry : public QDialog
{
    Q_OBJECT
public:
    explicit frmSeeEntry(QWidget *parent = nullptr);
    ~frmSeeEntry() override;

    // The card record number, as text: the entry to show, or the template
    // entry when adding; "0" for a plain new entry.
    void setTag(const QString &recordNumber);
    QString Tag() const { return m_tag; }

    // Adding: the provisional control number ("yyyymmddhhnnss") taken when
    // Add was pressed. Its presence puts the card into adding mode; empty
    // means the card shows the existing entry of the record number.
    void setProvisionalControlNumber(const QString &controlText);

    // The entry the opener believes sits at the record number (as read for
    // its list). When the record there is no longer that entry (another
    // workstation changed or deleted entries), the card says so, sets
    // ListNeedsReload and does not open.
    void setExpectedIdentity(double controlNumber, const QString &caseNumber);

private:
    QString m_tag = QStringLiteral("0");
    QString m_provisional;
    double m_expectedControl = 0;
    QString m_expectedCase;
    bool m_hasExpected = false;
};
