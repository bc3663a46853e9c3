// The store of an installation on a PostgreSQL server: the same entries,
// users and four logs as a data folder, in tables (PgSchema.h). Each change
// is one transaction with its log line; record numbers are the rows' places
// in the order they were added, as in the data file, and the rows carry a
// version, so an edit, archive or delete of a row changed since the person
// read it is refused as Changed. Passwords are kept only as salted
// PBKDF2-SHA-256 keys: a user read from the database carries a blank
// password, and a blank password saved with an edit keeps the stored key.
// A server that went away makes a change end with NotAvailable, nothing of
// it written; the next use connects again.
#pragma once

#include "core/store/Store.h"

#include <QObject>
#include <memory>

class QSqlDatabase;

struct PgStoreImpl;

class PgStore : public Store
{
public:
    // conninfo: a libpq key=value string (DatabaseConninfo).
    PgStore(DataSet &ds, const QString &conninfo);
    ~PgStore() override;

    // Opens this thread's connection and checks the schema version: false
    // with the reason in *error.
    bool connect(QString *error) override;
    QString conninfo() const;
    QString whereText() const override { return QStringLiteral("database ") + conninfo(); }

    // Every other workstation's change (not this store's own) calls
    // onChange on the calling thread's event loop, within a second of its
    // commit. After the server went away it listens again on the next use.
    bool listenForChanges(QObject *context, const std::function<void()> &onChange) override;

    bool openEntries() override;
    void closeEntries() override;
    EntryRecord entry(int n) override;
    bool readEntryList(bool inactiveList, ListMode mode, const EntryFilter &filter,
                       EntryListData *data) override;
    bool forEachEntryRecord(const std::function<bool(int, const char *)> &visit) override;
    bool recountEntries() override;
    StoreResult addEntry(EntryRecord &entry, int *recordNumber = nullptr) override;
    StoreResult saveEntry(int n, const EntryIdentity &asRead, const EntryRecord &edited) override;
    StoreResult archiveEntry(int n, const EntryIdentity &asRead) override;
    StoreResult restoreEntry(int n, const EntryIdentity &asRead) override;
    StoreResult deleteEntry(int n, const EntryIdentity &asRead) override;

    bool openUsers() override;
    void closeUsers() override;
    UserRecord user(int n) override;
    QVector<UserRecord> allUsers(bool *ok = nullptr) override;
    UserResult addUser(UserRecord &user, int *recordNumber = nullptr) override;
    UserResult saveUser(int n, const UserIdentity &asRead, const UserRecord &edited) override;
    UserResult deleteUser(int n, const UserIdentity &asRead) override;
    bool passwordMatches(const UserRecord &user, const QString &typed) override;

    bool logSignInOut(int code) override;
    bool logSearch(const QString &description) override;
    bool readLog(const QString &logName, QByteArray *bytes) override;
    // The logs' chains and seals in their tables (PgChain.h,
    // PgStoreChain.cpp).
    bool appendLogLine(const QString &logName, const QString &line) override;
    ChainVerdict verifyLogChain(const QString &logName, bool *begun) override;
    QList<SealRecord> sealLogs(const std::function<QString(const QList<SealRecord> &)> &recordLine,
                               QString *error) override;

    // For the store's other files (PgStoreChain.cpp): work run in one
    // transaction of this thread's connection, committed when it returns
    // true; a read run once more on a fresh connection after the server
    // was away.
    bool inTransaction(const std::function<bool(QSqlDatabase &)> &work);
    bool reading(const std::function<bool(QSqlDatabase &)> &query);

    // The installation's settings, the wrong codes' count and the backup
    // (PgStoreSide.cpp): rows of the installation table, keyed as the
    // settings file's section and key ("Installation/AgencyName"), each
    // change in one transaction with its line in "UserList.Log".
    InstallationResult loadInstallation() override;
    InstallationResult saveInstallation(const QString &agency, const QString &accessCode,
                                        SetupBy by) override;
    InstallationResult checkAccessCode(const QString &code) override;
    bool holdsUsersOrEntries() override;
    QString updateAddress() override;
    int countWrongAccessCode() override;
    int wrongAccessCodeCount() override;
    void clearWrongAccessCodes() override;
    QString installationResultText(InstallationResult result) override;
    QString installationProblemText(InstallationResult result) override;
    QString notSetUpText() const override;
    bool backsUpItself() const override { return true; }
    SelfBackup backUpInto(const QString &folder) override;
    QString restoreElsewhereText() const override;

    // Inventories (PgInventory.cpp): the rows of inventory_lines, each
    // change in one transaction under the inventory's advisory lock. The
    // entries' stamp: their count, the sum of their rows' versions and the
    // last row's id, which any add, change or delete moves.
    std::optional<FileStamp> entriesStamp() override;
    QStringList inventoryIds() override;
    bool readInventory(const QString &id, qint64 *readUpTo,
                       const InventoryLineVisitor &apply) override;
    InventoryWrite startInventory(const QString &stamp,
                                  const std::function<InventoryAddition(const QString &)> &first,
                                  QString *id) override;
    InventoryWrite appendInventory(const QString &id, qint64 *readUpTo,
                                   const InventoryLineVisitor &apply,
                                   const std::function<InventoryAddition()> &change) override;

private:
    std::unique_ptr<PgStoreImpl> d; // the connection, the rows' versions as read
};

// The stored form of a password: "pbkdf2-sha256:ITERATIONS:SALT:KEY" (salt
// and key in hex), and its check.
QString PasswordKey(const QString &password, int iterations = 100000);
bool PasswordKeyMatches(const QString &stored, const QString &typed);
