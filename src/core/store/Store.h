// Where the windows and the rules get entries, users and the four activity
// logs. Every change is one unit: it runs in one scope (one hold of the
// folder lock for a data folder; one transaction for a database), it goes
// on only when the record is still the one the person saw (the identity
// given: EntryIdentity, UserIdentity), and its log line, naming the
// session's person, is written in the same scope; when the line can not be
// written nothing changes. A change returns today's result values
// (StoreResult, UserResult); the window tells the person.
#pragma once

#include "core/common/DataSet.h"
#include "core/common/Desktop.h"
#include "core/common/LogChain.h"
#include "core/entries/EntryList.h"
#include "core/entries/EntryStore.h"
#include "core/users/Installation.h"
#include "core/users/UserFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>

class QObject;

class Store
{
public:
    explicit Store(DataSet &ds) : m_ds(ds) {}
    virtual ~Store() = default;
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    // The data set the store works on: its counts, settings and folder.
    DataSet &dataSet() const { return m_ds; }

    // Reaches the store before the first window opens; false with *error
    // saying why (a data folder needs nothing here).
    virtual bool connect(QString *error)
    {
        Q_UNUSED(error);
        return true;
    }

    // ---- entries ----
    // Starts reading the list of current entries while the person signs in
    // (a data folder; see StartEntryListAhead); a store that reads its list
    // otherwise does nothing.
    virtual void readListAhead() {}
    // The shared reader for the entry card: open (retrying, then asking),
    // one entry by record number, close.
    virtual bool openEntries() = 0;
    virtual void closeEntries() = 0;
    virtual EntryRecord entry(int n) = 0;
    // The list in one pass (see ReadEntryList).
    virtual bool readEntryList(bool inactiveList, ListMode mode, const EntryFilter &filter,
                               EntryListData *data) = 0;
    // Every entry's stored record in order; the visitor returns false to
    // stop. False when the entries could not be read.
    virtual bool forEachEntryRecord(const std::function<bool(int, const char *)> &visit) = 0;
    // Counts active and archived entries into the data set.
    virtual bool recountEntries() = 0;

    virtual StoreResult addEntry(EntryRecord &entry, int *recordNumber = nullptr) = 0;
    virtual StoreResult saveEntry(int n, const EntryIdentity &asRead,
                                  const EntryRecord &edited) = 0;
    virtual StoreResult archiveEntry(int n, const EntryIdentity &asRead) = 0;
    virtual StoreResult restoreEntry(int n, const EntryIdentity &asRead) = 0;
    virtual StoreResult deleteEntry(int n, const EntryIdentity &asRead) = 0;

    // ---- users ----
    // Whether there is a user list to read: a data folder without its user
    // file has none (opening it would make one); a database has its table.
    virtual bool hasUserList() const { return true; }
    virtual bool openUsers() = 0;
    virtual void closeUsers() = 0;
    virtual UserRecord user(int n) = 0;
    virtual QVector<UserRecord> allUsers(bool *ok = nullptr) = 0;

    virtual UserResult addUser(UserRecord &user, int *recordNumber = nullptr) = 0;
    virtual UserResult saveUser(int n, const UserIdentity &asRead, const UserRecord &edited) = 0;
    virtual UserResult deleteUser(int n, const UserIdentity &asRead) = 0;
    // The sign-in check of a user read from this store (a store that keeps
    // only keys of the passwords reads users with blank passwords).
    virtual bool passwordMatches(const UserRecord &user, const QString &typed)
    {
        return PasswordMatches(user, typed);
    }

    // ---- the four logs ----
    // A line of its own (a sign-in, a sign-out, a search); false when it
    // could not be written.
    virtual bool logSignInOut(int code) = 0;
    virtual bool logSearch(const QString &description) = 0;
    // A log's bytes as stored; false when it is missing or unreadable.
    virtual bool readLog(const QString &logName, QByteArray *bytes) = 0;

    // ---- the logs' chains and seals ----
    // A line appended to logName on its own, linked into its chain (a
    // review, a verification that failed); false when it was not written.
    virtual bool appendLogLine(const QString &logName, const QString &line) = 0;
    // logName's chain and its seals verified as they are stored now;
    // *begun is false (and the verdict empty) while the log has no chain.
    virtual ChainVerdict verifyLogChain(const QString &logName, bool *begun) = 0;
    // Seals the four logs in one scope with the line recordLine makes of
    // the seals, appended to UserList.Log: the seals made, or none with
    // *error saying why.
    virtual QList<SealRecord>
    sealLogs(const std::function<QString(const QList<SealRecord> &)> &recordLine,
             QString *error) = 0;
    // With a key, what is wrong with the files the key covers besides the
    // logs (the settings and the user list, as this program last wrote
    // them): one text each; a store without such files has none.
    virtual QStringList coveredFileProblems() { return {}; }

    // A store that is told of other workstations' changes calls onChange
    // (on context's thread) for each and returns true; false when it is
    // not (the windows watch the data file instead).
    virtual bool listenForChanges(QObject *context, const std::function<void()> &onChange)
    {
        (void)context;
        (void)onChange;
        return false;
    }

    // ---- the installation's settings, the access code, backups ----
    // The agency name and the access code's key, the wrong codes' count
    // and the access code's lines in "UserList.Log" (users/Installation.h):
    // the settings file and the count's side file in a data folder, the
    // installation table in a database. The same results and rules on both.
    // Reads the settings and sets the data set's AgencyName (emptied when
    // they can not be read).
    virtual InstallationResult loadInstallation() = 0;
    virtual InstallationResult saveInstallation(const QString &agency, const QString &accessCode,
                                                SetupBy by) = 0;
    virtual InstallationResult checkAccessCode(const QString &code) = 0;
    // The store holds users or entries: missing settings are not set up
    // in a window.
    virtual bool holdsUsersOrEntries() = 0;
    virtual QString updateAddress() = 0;
    // One more wrong code with its line: the new count, -1 when it could
    // not be kept. The count as it stands; a right code clears it.
    virtual int countWrongAccessCode() = 0;
    virtual int wrongAccessCodeCount() = 0;
    virtual void clearWrongAccessCodes() = 0;
    // The texts of a result (InstallationResultText and
    // InstallationProblemText), naming where the settings are kept.
    virtual QString installationResultText(InstallationResult result) = 0;
    virtual QString installationProblemText(InstallationResult result) = 0;
    // The set-up window's opening: what has not been set up yet, and where.
    virtual QString notSetUpText() const = 0;

    // A store that backs itself up (a database, with pg_dump) instead of
    // having the backup window copy the data folder's files: it writes a
    // backup into folder (ok, and the text that reports it), and says how
    // such a backup comes back, for the restore window.
    virtual bool backsUpItself() const { return false; }
    struct SelfBackup {
        bool ok = false;
        QString text;
    };
    virtual SelfBackup backUpInto(const QString &folder)
    {
        (void)folder;
        return SelfBackup();
    }
    virtual QString restoreElsewhereText() const { return QString(); }
    // Where the store keeps the logs, as the Log Seal page names it: the
    // data folder, or "database " and the connection's string.
    virtual QString whereText() const { return m_ds.folder(); }

    // ---- inventories ----
    // An inventory is a sequence of lines (tab-separated fields, see
    // rules/Inventory.h), only ever added to: the side file
    // "Inventories/<id>.txt" of a data folder (Windows-1252, CR LF), the
    // rows of inventory_lines in a database. *readUpTo is how far a reader
    // got (bytes of the file, lines of the table); each read calls apply
    // for every whole line after it and moves it on.
    using InventoryLineVisitor = std::function<void(const QString &)>;
    // What a change adds: lines, each ended by CR LF (none: nothing is
    // written), the line for "DataRecords.Log" if any, or a refusal.
    struct InventoryAddition {
        QString lines;
        QString logLine;
        QString refusal;
    };
    // How a change went: ok; or busy (the folder stayed busy, nothing
    // written: the "Data folder busy" question), or text to show.
    struct InventoryWrite {
        bool ok = false;
        QString text;
        std::optional<MsgBoxRequest> busy;
    };
    // The entries' stamp, for a reader that keeps what it read of them:
    // the data file's in a folder; none where the store can not tell (the
    // reader reads them again).
    virtual std::optional<FileStamp> entriesStamp() { return std::nullopt; }
    // Every inventory's id, newest first.
    virtual QStringList inventoryIds() = 0;
    virtual bool readInventory(const QString &id, qint64 *readUpTo,
                               const InventoryLineVisitor &apply) = 0;
    // Starts an inventory as stamp (or "stamp-2", "-3"... after a clash):
    // first(id) gives its first lines and its log line, written together.
    virtual InventoryWrite
    startInventory(const QString &stamp,
                   const std::function<InventoryAddition(const QString &)> &first, QString *id) = 0;
    // In one scope under the inventory's lock: reads what others added
    // (apply), asks change what to add, adds it with its log line (neither
    // without the other) and reads it back.
    virtual InventoryWrite appendInventory(const QString &id, qint64 *readUpTo,
                                           const InventoryLineVisitor &apply,
                                           const std::function<InventoryAddition()> &change) = 0;

protected:
    DataSet &m_ds;
};

// Today's store: the files of one data folder.
class FolderStore : public Store
{
public:
    explicit FolderStore(DataSet &ds) : Store(ds) {}

    void readListAhead() override { StartEntryListAhead(m_ds); }

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

    bool hasUserList() const override;
    bool openUsers() override;
    void closeUsers() override;
    UserRecord user(int n) override;
    QVector<UserRecord> allUsers(bool *ok = nullptr) override;
    UserResult addUser(UserRecord &user, int *recordNumber = nullptr) override;
    UserResult saveUser(int n, const UserIdentity &asRead, const UserRecord &edited) override;
    UserResult deleteUser(int n, const UserIdentity &asRead) override;

    bool logSignInOut(int code) override;
    bool logSearch(const QString &description) override;
    bool readLog(const QString &logName, QByteArray *bytes) override;
    bool appendLogLine(const QString &logName, const QString &line) override;
    ChainVerdict verifyLogChain(const QString &logName, bool *begun) override;
    QList<SealRecord> sealLogs(const std::function<QString(const QList<SealRecord> &)> &recordLine,
                               QString *error) override;
    QStringList coveredFileProblems() override;

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

    // The side files (FolderInventory.cpp).
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
};
