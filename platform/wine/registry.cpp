#include "platform/registry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

#include "platform/wine/atomicfile.h"
#include "platform/wine/hive.h"
#include "platform/processes.h"
#include "platform/winerror.h"
#include "platform/wine/wineprefix.h"
#include "platform/wine/wineserver.h"
#include "platform/writeprobe.h"

namespace qv {

namespace {

const QString kWow = QStringLiteral("Wow6432Node");
int g_lockTimeoutMs = 10000;

// ---------------------------------------------------------------------------
// The hives of the prefix, shared by all accessors of the process.

struct Identity
{
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    struct timespec mtime = {};
    bool operator==(const Identity &o) const
    {
        return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size
            && mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

Identity identityOf(const QString &file)
{
    Identity id;
    struct stat st;
    if (::stat(QFile::encodeName(file).constData(), &st) == 0) {
        id.exists = true;
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.size = st.st_size;
        id.mtime = st.st_mtim;
    }
    return id;
}

struct SetValue
{
    QStringList path;
    HiveValue value;
};
struct CreateKey
{
    QStringList path;
};
struct DeleteKey
{
    QStringList path;
};
using Change = std::variant<SetValue, CreateKey, DeleteKey>;

struct HiveEntry
{
    std::unique_ptr<Hive> hive;
    Identity identity;
    QByteArray newPrologue; // for a hive file that does not exist yet
    std::vector<Change> pending; // changes not yet saved, replayed over a newer file
};

std::map<QString, HiveEntry> g_hives;

void apply(Hive &hive, const Change &c)
{
    if (const auto *s = std::get_if<SetValue>(&c))
        hive.setValue(s->path, s->value);
    else if (const auto *k = std::get_if<CreateKey>(&c))
        hive.createKey(k->path);
    else if (const auto *d = std::get_if<DeleteKey>(&c))
        hive.deleteKey(d->path);
}

// A hive file that holds nothing, or a link to a file that is gone, is no
// registry Wine could have left: most likely a crash or a slip of the hand
// emptied it. Taken for an empty hive it would read as "nothing installed"
// and be replaced by one holding only our keys.
void refuseDamagedFile(const QString &file)
{
    const QFileInfo info(file);
    if (info.isSymLink() && !info.exists())
        throw Error(QStringLiteral("The registry file \"%1\" is a link to \"%2\", which does not exist. Quorvane "
                                   "neither reads nor replaces it; bring back the file it points to, then try again")
                        .arg(file, info.symLinkTarget()));
    if (info.isFile() && info.size() == 0)
        throw Error(QStringLiteral("The registry file \"%1\" is empty, as a crash while it was written may leave "
                                   "it. Quorvane neither reads nor replaces it; restore it from a backup, then try "
                                   "again")
                        .arg(file));
}

void loadInto(HiveEntry &e, const QString &file)
{
    refuseDamagedFile(file);
    e.identity = identityOf(file);
    auto hive = Hive::load(file);
    if (hive->isEmpty())
        hive = Hive::fromBytes(e.newPrologue, file); // Wine's opening lines for a new or emptied file
    e.hive = std::move(hive);
}

// The hive of a file, read again when the file changed on disk. Unsaved
// changes are kept; they are replayed when the save finds a newer file.
HiveEntry &entryFor(const QString &file, const QByteArray &newPrologue)
{
    HiveEntry &e = g_hives[file];
    e.newPrologue = newPrologue;
    if (!e.hive || (e.pending.empty() && !(identityOf(file) == e.identity))) {
        e.hive.reset();
        loadInto(e, file);
    }
    return e;
}

// The advisory lock that keeps two Quorvane processes from saving at once.
class PrefixLock
{
public:
    // With tryOnly, never waits and never throws: held() says how it went.
    explicit PrefixLock(const QString &prefixRoot, bool tryOnly = false)
    {
        const QByteArray name = QFile::encodeName(prefixRoot + QStringLiteral("/.quorvane-registry.lock"));
        m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0)
            return; // a read-only prefix: the save itself will say so
        QElapsedTimer t;
        t.start();
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (tryOnly) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
            if (t.elapsed() > g_lockTimeoutMs) {
                ::close(m_fd);
                m_fd = -1;
                throw Error(QStringLiteral("Another Quorvane is changing the registry of the prefix \"%1\" and did "
                                           "not finish in time, so nothing was written. Close the other Quorvane "
                                           "window, then try again")
                                .arg(prefixRoot));
            }
            QThread::msleep(50);
        }
    }
    ~PrefixLock()
    {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

int g_staging = 0; // RegistryStaging objects alive: changes wait for their commit

// Throws when the file cannot be replaced; a hive that is a link to a missing
// file would otherwise become a new file holding only our keys.
void ensureReplaceable(const QString &file)
{
    const QString why = hostFileReplaceProblem(file);
    if (!why.isEmpty())
        throw Error(QStringLiteral("The registry file \"%1\" cannot be replaced: %2. Nothing was changed; try "
                                   "again once it can be")
                        .arg(file, why));
}

void flush(const QString &file)
{
    if (g_staging)
        return; // the staging's commit writes it
    auto it = g_hives.find(file);
    if (it == g_hives.end() || it->second.pending.empty())
        return;
    HiveEntry &e = it->second;
    const QString root = WinePrefix::current().root();
    try {
        PrefixLock lock(root);
        wineserver::ensureStopped(root);
        ensureReplaceable(file);
        if (!(identityOf(file) == e.identity)) {
            // another program saved since we read: start from its file
            loadInto(e, file);
            for (const Change &c : e.pending)
                apply(*e.hive, c);
        }
        e.hive->save();
        e.identity = identityOf(file);
        e.pending.clear();
    } catch (...) {
        // what is in memory no longer matches the file: read it again next time
        g_hives.erase(it);
        throw;
    }
}

// Before the first change: a live wineserver would undo it, so refuse early.
void beforeChange(HiveEntry &e)
{
    if (e.pending.empty())
        wineserver::ensureStopped(WinePrefix::current().root());
}

QByteArray prologueFor(uint32_t root, bool win64)
{
    QByteArray p = "WINE REGISTRY Version 2\n";
    if (root == HKeyLocalMachine)
        p += ";; All keys relative to REGISTRY\\\\Machine\n";
    else if (root == HKeyUsers)
        p += ";; All keys relative to REGISTRY\\\\User\\\\.Default\n";
    else
        p += ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n";
    p += win64 ? "\n#arch=win64\n" : "\n#arch=win32\n";
    return p;
}

bool systemIsWin64()
{
    const QString file = WinePrefix::current().systemHive();
    return entryFor(file, prologueFor(HKeyLocalMachine, false)).hive->isWin64();
}

// ---------------------------------------------------------------------------
// The 32-bit view of HKEY_LOCAL_MACHINE\Software on a 64-bit prefix.

bool startsWithPath(const QStringList &path, const QStringList &prefix)
{
    if (path.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i)
        if (path[i].compare(prefix[i], Qt::CaseInsensitive))
            return false;
    return true;
}

// Keys below Software that 32- and 64-bit programs see alike: the keys a
// Wine 8 prefix links from Software\Wow6432Node back to the 64-bit ones.
const QList<QStringList> &sharedKeys()
{
    static const QList<QStringList> keys = [] {
        const char *const list[] = {
            "Microsoft\\Clients",
            "Microsoft\\Cryptography\\Calais\\Current",
            "Microsoft\\Cryptography\\Calais\\Readers",
            "Microsoft\\Cryptography\\Services",
            "Microsoft\\CTF\\SystemShared",
            "Microsoft\\CTF\\TIP",
            "Microsoft\\DFS",
            "Microsoft\\Driver Signing",
            "Microsoft\\EnterpriseCertificates",
            "Microsoft\\EventSystem",
            "Microsoft\\MSMQ",
            "Microsoft\\Non-Driver Signing",
            "Microsoft\\Notepad\\DefaultFonts",
            "Microsoft\\OLE",
            "Microsoft\\RAS",
            "Microsoft\\RPC",
            "Microsoft\\SystemCertificates",
            "Microsoft\\TermServLicensing",
            "Microsoft\\Transaction Server",
            "Microsoft\\Windows\\CurrentVersion\\App Paths",
            "Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cursors\\Schemes",
            "Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers",
            "Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons",
            "Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap",
            "Microsoft\\Windows\\CurrentVersion\\Group Policy",
            "Microsoft\\Windows\\CurrentVersion\\Policies",
            "Microsoft\\Windows\\CurrentVersion\\PreviewHandlers",
            "Microsoft\\Windows\\CurrentVersion\\Setup",
            "Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations",
            "Microsoft\\Windows\\CurrentVersion\\Time Zones",
            "Microsoft\\Windows NT\\CurrentVersion\\Console",
            "Microsoft\\Windows NT\\CurrentVersion\\FontDpi",
            "Microsoft\\Windows NT\\CurrentVersion\\FontLink",
            "Microsoft\\Windows NT\\CurrentVersion\\FontMapper",
            "Microsoft\\Windows NT\\CurrentVersion\\Fonts",
            "Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
            "Microsoft\\Windows NT\\CurrentVersion\\Gre_Initialize",
            "Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
            "Microsoft\\Windows NT\\CurrentVersion\\LanguagePack",
            "Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
            "Microsoft\\Windows NT\\CurrentVersion\\Perflib",
            "Microsoft\\Windows NT\\CurrentVersion\\Ports",
            "Microsoft\\Windows NT\\CurrentVersion\\Print",
            "Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
            "Microsoft\\Windows NT\\CurrentVersion\\Time Zones",
            "Policies",
            "Registered Applications",
            "Wine\\Ports",
        };
        QList<QStringList> out;
        for (const char *k : list)
            out << QString::fromLatin1(k).split(QLatin1Char('\\'));
        return out;
    }();
    return keys;
}

// Classes has a 32-bit view of its own (Classes\Wow6432Node); only these
// of its keys are shared, through Wine 8's links back to the 64-bit ones.
bool isSharedClassesKey(const QString &name)
{
    static const char *const names[] = {"AppID", "Protocols", "TypeLib"};
    for (const char *n : names)
        if (!name.compare(QLatin1String(n), Qt::CaseInsensitive))
            return true;
    return false;
}

QStringList redirect32(const QStringList &path)
{
    if (path.isEmpty() || path[0].compare(QLatin1String("Software"), Qt::CaseInsensitive))
        return path;
    if (path.size() >= 2 && !path[1].compare(kWow, Qt::CaseInsensitive))
        return path; // already the 32-bit key
    const QStringList rest = path.mid(1);
    if (!rest.isEmpty() && !rest[0].compare(QLatin1String("Classes"), Qt::CaseInsensitive)) {
        if (rest.size() >= 2 && (isSharedClassesKey(rest[1]) || !rest[1].compare(kWow, Qt::CaseInsensitive)))
            return path;
        return QStringList{path[0], rest[0], kWow} + rest.mid(1);
    }
    for (const QStringList &shared : sharedKeys())
        if (startsWithPath(rest, shared))
            return path;
    return QStringList{path[0], kWow} + rest;
}

// Keys a fresh 64-bit prefix fills only in the 64-bit view; reads fall back to it.
bool readsFallBackTo64(const QStringList &path)
{
    static const QStringList shellFolders = QStringLiteral(
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders").split(QLatin1Char('\\'));
    static const QStringList userShellFolders = QStringLiteral(
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders").split(QLatin1Char('\\'));
    return path.size() == shellFolders.size()
        && (startsWithPath(path, shellFolders) || startsWithPath(path, userShellFolders));
}

QStringList splitPath(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

} // namespace

// ---------------------------------------------------------------------------

// An open key: where it lives and, for a few keys of the 32-bit view, the
// 64-bit key whose values show through when the 32-bit one lacks them.
class RegistryKeyHandle
{
public:
    QString file;              // empty: the HKEY_USERS root, which lists ".Default" only
    uint32_t root = 0;
    QStringList path;          // below the hive's root, after redirection
    QStringList fallback;      // empty when none
    bool usersRoot = false;
    uint32_t access = 0;       // the rights it was opened with, which a Windows key handle keeps

    HiveEntry &entry() const { return entryFor(file, prologueFor(root, root == HKeyLocalMachine && systemIsWin64())); }
    Hive &hive() const { return *entry().hive; }
};

namespace {

// Where a key path of a root lives. False when it cannot exist.
bool locate(uint32_t root, const QStringList &path, RegistryKeyHandle &h)
{
    const WinePrefix &prefix = WinePrefix::current();
    h.root = root;
    h.fallback.clear();
    h.usersRoot = false;
    switch (root) {
    case HKeyCurrentUser:
        h.file = prefix.userHive();
        h.path = path;
        return true;
    case HKeyLocalMachine:
        h.file = prefix.systemHive();
        h.path = path;
        if (systemIsWin64()) {
            h.path = redirect32(path);
            if (h.path != path && readsFallBackTo64(path))
                h.fallback = path;
        }
        return true;
    case HKeyUsers:
        if (path.isEmpty()) {
            h.file.clear();
            h.path.clear();
            h.usersRoot = true;
            return true;
        }
        if (path[0].compare(QLatin1String(".Default"), Qt::CaseInsensitive))
            return false;
        h.file = prefix.userDefaultHive();
        h.path = path.mid(1);
        return true;
    default:
        return false;
    }
}

// The key a path names once Wine's link keys are followed
// (System\CurrentControlSet is a link to System\ControlSet001).
void followLinks(RegistryKeyHandle &h)
{
    if (h.usersRoot)
        return;
    const Hive &hive = h.hive();
    h.path = hive.resolveLinks(h.path);
    if (!h.fallback.isEmpty())
        h.fallback = hive.resolveLinks(h.fallback);
}

std::optional<HiveValue> lookup(const RegistryKeyHandle &h, const QString &name)
{
    if (h.usersRoot)
        return std::nullopt;
    Hive &hive = h.hive();
    auto v = hive.value(h.path, name);
    if (!v && !h.fallback.isEmpty())
        v = hive.value(h.fallback, name);
    return v;
}

QString quoted(const char *format, const QString &name)
{
    return QString::fromLatin1(format).arg(name);
}

// A path with a leading backslash starts at the root key; any other lies
// below the open key (openKeyPath, empty when none is open).
QString keyPathFrom(const QString &path, const QString &openKeyPath)
{
    QString full;
    if (path.startsWith(QLatin1Char('\\')))
        full = path.mid(1);
    else if (openKeyPath.isEmpty() || path.isEmpty())
        full = path.isEmpty() ? openKeyPath : path;
    else
        full = openKeyPath + QLatin1Char('\\') + path;
    while (full.endsWith(QLatin1Char('\\')))
        full.chop(1); // closing backslashes name the same key
    return full;
}

// An empty part (the "Acrobat Reader\\InstallPath" that an empty version leaves)
// names no key: such a path is refused rather than taken for a shorter one.
bool hasEmptyPart(const QString &keyPath)
{
    return keyPath.startsWith(QLatin1Char('\\')) || keyPath.contains(QLatin1String("\\\\"));
}

} // namespace

void resetRegistryCache()
{
    g_hives.clear();
}

void setRegistryLockTimeout(int ms)
{
    g_lockTimeoutMs = ms;
}

void ensureRegistryWritable(std::initializer_list<uint32_t> roots)
{
    for (uint32_t root : roots) {
        RegistryKeyHandle h;
        if (!locate(root, {}, h) || h.file.isEmpty())
            continue;
        ensureReplaceable(h.file);
        entryFor(h.file, prologueFor(root, false)).hive->validate();
    }
    // The hives are replaced by a rename in the prefix folder itself.
    const QString root = WinePrefix::current().root();
    const QString why = hostFolderWriteProblem(root);
    if (!why.isEmpty())
        throw Error(QStringLiteral("The registry of the prefix \"%1\" cannot be written, since its folder cannot be "
                                   "changed: %2. Nothing was changed; try again once it can be")
                        .arg(QDir::toNativeSeparators(root), why));
}

namespace {

// Wine starts these itself; they end when the last program of the prefix does.
bool isWineBackgroundProgram(const QString &exeFile)
{
    static const char *const names[] = {"services.exe", "winedevice.exe", "plugplay.exe", "svchost.exe",
                                        "rpcss.exe", "explorer.exe", "conhost.exe", "winemenubuilder.exe",
                                        "start.exe", "wineboot.exe", "tabtip.exe"};
    for (const char *n : names)
        if (!exeFile.compare(QLatin1String(n), Qt::CaseInsensitive))
            return true;
    // Wine's host side: the server itself ("wineserver64 -p0", which lingers
    // a moment after the last program and is waited for) and the loader
    // before it has become a Windows program. Windows programs carry an extension.
    return exeFile.startsWith(QLatin1String("wine"), Qt::CaseInsensitive) && !exeFile.contains(QLatin1Char('.'));
}

} // namespace

void ensureNoProgramHoldsRegistry(const std::vector<int64_t> &endedByCaller)
{
    const QString root = WinePrefix::current().root();
    QStringList named;
    for (const ProcessEntry &e : ProcessControl::instance().snapshot()) {
        // Only a process known to run in this prefix: one whose prefix cannot
        // be told is not known to keep this server alive.
        if (e.prefix.isEmpty() || !runsInPrefix(e, root) || isWineBackgroundProgram(e.exeFile))
            continue;
        if (std::find(endedByCaller.begin(), endedByCaller.end(), e.pid) != endedByCaller.end())
            continue;
        const QString line = commandLineOf(e.pid);
        named << QStringLiteral("%1 (process %2%3)")
                     .arg(e.exeFile)
                     .arg(e.pid)
                     .arg(line.isEmpty() ? QString() : QStringLiteral(": ") + line);
    }
    if (named.isEmpty())
        return;
    throw Error(QStringLiteral("%1 running in the prefix \"%2\": %3. While Windows programs run there, Wine keeps its "
                               "own copy of the registry and would undo the changes when they end, so nothing was "
                               "changed. Close %4, then try again")
                    .arg(named.size() == 1 ? QStringLiteral("Another Windows program is")
                                           : QStringLiteral("Other Windows programs are"),
                         QDir::toNativeSeparators(root), named.join(QStringLiteral("; ")),
                         named.size() == 1 ? QStringLiteral("it") : QStringLiteral("them")));
}

void waitForRegistry()
{
    wineserver::ensureStopped(WinePrefix::current().root());
}

RegistryStaging::RegistryStaging()
{
    if (g_staging++)
        return;
    // What an interrupted save left beside the hives; only while no other
    // Quorvane is saving, since its file may be one of them.
    const QString root = WinePrefix::current().root();
    PrefixLock lock(root, true);
    if (lock.held())
        removeTemporaries(root, false);
}

RegistryStaging::~RegistryStaging()
{
    --g_staging;
    if (m_done || g_staging)
        return;
    // Dropped: what is in memory is read again from the files.
    for (auto it = g_hives.begin(); it != g_hives.end();)
        it = it->second.pending.empty() ? std::next(it) : g_hives.erase(it);
}

void RegistryStaging::commit()
{
    m_done = true;
    std::vector<std::pair<QString, HiveEntry *>> changed;
    for (auto &[file, e] : g_hives)
        if (!e.pending.empty())
            changed.push_back({file, &e});
    if (changed.empty())
        return;
    const QString root = WinePrefix::current().root();
    QStringList replaced;
    try {
        PrefixLock lock(root);
        wineserver::ensureStopped(root);
        removeTemporaries(root, false);
        std::vector<std::unique_ptr<AtomicFile>> files;
        for (auto &[file, e] : changed) {
            ensureReplaceable(file);
            if (!(identityOf(file) == e->identity)) {
                // another program saved since we read: start from its file
                loadInto(*e, file);
                for (const Change &c : e->pending)
                    apply(*e->hive, c);
            }
            files.push_back(e->hive->writeTemporary());
        }
        // Every hive on the disk before any is replaced: a full disk stops
        // the commit here, with every hive as it was.
        for (size_t i = 0; i < files.size(); ++i)
            if (!files[i]->flush())
                throw changed[i].second->hive->saveError(*files[i]);
        Hive::saveStage("synced");
        for (size_t i = 0; i < files.size(); ++i) {
            HiveEntry &e = *changed[i].second;
            if (!files[i]->commit(AtomicFile::Sync::No)) {
                throw Error(QStringLiteral("Could not replace the registry file \"%1\" (%2: %3). %4")
                                .arg(changed[i].first, files[i]->failedStep(),
                                     winerror::reasonForErrno(files[i]->error()),
                                     replaced.isEmpty()
                                         ? QStringLiteral("No registry file was changed.")
                                         : QStringLiteral("These were replaced already: %1.").arg(replaced.join(QStringLiteral(", ")))));
            }
            e.hive->saved();
            e.identity = identityOf(changed[i].first);
            e.pending.clear();
            replaced << changed[i].first;
            Hive::saveStage("replaced");
        }
    } catch (...) {
        // what is in memory no longer matches the files: read them again next time
        for (auto &[file, e] : changed)
            if (!e->pending.empty())
                g_hives.erase(file);
        throw;
    }
}

RegistryAccessor::RegistryAccessor() = default;

RegistryAccessor::~RegistryAccessor()
{
    try {
        closeKey();
    } catch (const std::exception &e) {
        qWarning("Quorvane: %s", e.what()); // a destructor cannot report further
    }
}

void RegistryAccessor::setRootKey(uint32_t root)
{
    if (root == m_root)
        return;
    closeKey();
    m_root = root;
}

bool RegistryAccessor::hasCurrentKey() const
{
    return bool(m_current);
}

bool RegistryAccessor::openKey(const QString &path, bool canCreate)
{
    const QString full = keyPathFrom(path, m_current ? m_currentPath : QString());
    if (hasEmptyPart(full))
        return false;

    auto h = std::make_shared<RegistryKeyHandle>();
    if (!locate(m_root, splitPath(full), *h))
        return false;
    followLinks(*h);
    if (!h->usersRoot) {
        HiveEntry &e = h->entry();
        const bool exists = e.hive->keyExists(h->path) || (!h->fallback.isEmpty() && e.hive->keyExists(h->fallback));
        if (!exists) {
            if (!canCreate || path.isEmpty() || h->path.isEmpty())
                return false;
            beforeChange(e);
            e.hive->createKey(h->path);
            e.pending.push_back(CreateKey{h->path});
        }
    }
    if (m_current && !m_current->file.isEmpty())
        flush(m_current->file); // the previous key is closed, and closing flushes
    h->access = m_access;
    m_current = std::move(h);
    m_currentPath = full;
    return true;
}

void RegistryAccessor::closeKey()
{
    if (!m_current)
        return;
    const QString file = m_current->file;
    m_current.reset();
    m_currentPath.clear();
    if (!file.isEmpty())
        flush(file);
}

bool RegistryAccessor::valueExists(const QString &name) const
{
    return m_current && lookup(*m_current, name).has_value();
}

QString RegistryAccessor::readString(const QString &name) const
{
    if (!m_current)
        return QString();
    const auto v = lookup(*m_current, name);
    if (!v)
        return QString();
    if (v->type != RegSz && v->type != RegExpandSz)
        throw Error(quoted("Invalid data type for '%1'", name));
    return hivetext::textOf(v->data);
}

int32_t RegistryAccessor::readInteger(const QString &name) const
{
    const auto v = m_current ? lookup(*m_current, name) : std::nullopt;
    if (!v)
        throw Error(quoted("Failed to get data for '%1'", name));
    if (v->type != RegDword)
        throw Error(quoted("Invalid data type for '%1'", name));
    if (v->data.size() > 4)
        throw Error(quoted("Failed to get data for '%1'", name)); // does not fit the 4 bytes asked for
    uint32_t dw = 0;
    memcpy(&dw, v->data.constData(), size_t(v->data.size()));
    return int32_t(dw);
}

void RegistryAccessor::writeInteger(const QString &name, int32_t value)
{
    const uint32_t keySetValue = 0x0002;
    if (!m_current || m_current->usersRoot || !(m_current->access & keySetValue))
        throw Error(quoted("Failed to set data for '%1'", name));
    HiveEntry &e = m_current->entry();
    beforeChange(e);
    HiveValue v;
    v.name = name;
    v.type = RegDword;
    v.data = hivetext::dwordData(uint32_t(value));
    e.hive->setValue(m_current->path, v);
    e.pending.push_back(SetValue{m_current->path, v});
}

void RegistryAccessor::getKeyNames(QStringList &list) const
{
    list.clear();
    if (!m_current)
        return;
    if (m_current->usersRoot) {
        list << QStringLiteral(".Default");
        return;
    }
    Hive &hive = m_current->hive();
    const RegistryKeyHandle &h = *m_current;
    if (hive.keyExists(h.path))
        list = hive.subkeys(h.path);
    else if (!h.fallback.isEmpty())
        list = hive.subkeys(h.fallback);
    // The 32-bit view of Software also shows the keys both views share.
    if (h.root == HKeyLocalMachine && h.path.size() == 2 && !h.path[1].compare(kWow, Qt::CaseInsensitive)
        && splitPath(m_currentPath).size() == 1) {
        for (const QString &k : hive.subkeys(QStringList{h.path[0]})) {
            if (!k.compare(kWow, Qt::CaseInsensitive))
                continue;
            // Classes shows in both views, as its link key does in Wine's
            bool shared = !k.compare(QLatin1String("Classes"), Qt::CaseInsensitive);
            for (const QStringList &s : sharedKeys())
                shared = shared || (s.size() == 1 && !s[0].compare(k, Qt::CaseInsensitive));
            if (shared && !list.contains(k, Qt::CaseInsensitive))
                list << k;
        }
    }
}

bool RegistryAccessor::deleteKey(const QString &path)
{
    const QString full = keyPathFrom(path, m_current ? m_currentPath : QString());
    RegistryKeyHandle h;
    if (hasEmptyPart(full) || !locate(m_root, splitPath(full), h) || h.usersRoot || h.path.isEmpty())
        return false;
    // the key's parents may be links; a link key itself is deleted, not its target
    const QString leaf = h.path.takeLast();
    h.fallback.clear();
    followLinks(h);
    h.path << leaf;
    HiveEntry &e = h.entry();
    if (!e.hive->keyExists(h.path))
        return false;
    beforeChange(e);
    e.hive->deleteKey(h.path);
    e.pending.push_back(DeleteKey{h.path});
    flush(h.file);
    return true;
}

// ---------------------------------------------------------------------------

RegistrySectionReader::RegistrySectionReader(const QString &keyPath)
{
    // The key is created when missing; when that cannot be done (Wine busy
    // with the registry), reading simply finds nothing and gives defaults.
    try {
        m_accessor.openKey(keyPath, true);
    } catch (const Error &e) {
        qWarning("Quorvane: %s", e.what());
    }
}

QString RegistrySectionReader::readString(const QString &section, const QString &name, const QString &def)
{
    const QString home = m_accessor.currentPath();
    const bool hadKey = m_accessor.hasCurrentKey();
    QString result = def;
    if (hadKey && m_accessor.openKey(section, false)) {
        // Back to the reader's own key even when the read throws (a value
        // that is not text), so a later read still starts from there.
        struct Back
        {
            RegistryAccessor &accessor;
            const QString &home;
            ~Back()
            {
                try {
                    accessor.openKey(QLatin1Char('\\') + home, false);
                } catch (const std::exception &e) {
                    qWarning("Quorvane: %s", e.what()); // the read's own error is the one to report
                }
            }
        } back{m_accessor, home};
        if (m_accessor.valueExists(name))
            result = m_accessor.readString(name);
    }
    return result;
}

} // namespace qv
