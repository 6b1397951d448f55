#include "UsageStore.h"

#include "Sqlite.h"
#include "UsageSchema.h"

#include "platform/linux/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A flush runs on the window's thread: it waits briefly for a reader that holds the file, then retries later.
constexpr int BusyTimeoutMs = 250;

int64_t Clamped(int64_t delta, int64_t& negative)
{
    if (delta >= 0) return delta;
    ++negative;
    return 0;
}

void AddSaturating(int64_t& total, int64_t delta)
{
    total = delta > std::numeric_limits<int64_t>::max() - total ? std::numeric_limits<int64_t>::max() : total + delta;
}

// The missing folders of the file's path, private as the history's folder is. 0 or the error number.
int MakeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        if (mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

// An empty file is a valid empty database. Made here rather than by SQLite, so that it is the user's alone
// whatever the umask; the log and index files SQLite adds beside it take its mode.
int MakeFile(const std::string& path)
{
    const TFileDescriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    return file.Valid() || errno == EEXIST ? 0 : errno;
}

std::string StampNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return stamp;
}

bool Exists(const std::string& path)
{
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

} // namespace

std::string TUsageStore::DefaultPath(const XdgPaths::TEnvironment& environment)
{
    return XdgPaths::DataHome(environment) + "/quorvel/usage.sqlite3";
}

TUsageStore::TUsageStore(std::string path, TProblemReport onProblem, LocalDay::TLocalDate localDate)
    : Path(std::move(path)), OnProblem(std::move(onProblem)), LocalDate(std::move(localDate))
{
    Open();
}

TUsageStore::~TUsageStore()
{
    if (Pending()) Flush(LastFlushMs.value_or(0));
    Close();
}

void TUsageStore::Add(const std::string& adapter, const std::string& day, int64_t received, int64_t sent,
                      int64_t seconds)
{
    received = Clamped(received, Negative);
    sent = Clamped(sent, Negative);
    seconds = Clamped(seconds, Negative);
    if (received == 0 && sent == 0 && seconds == 0) return;
    TUsageFigures& figures = Gathered[{adapter, day}];
    AddSaturating(figures.Received, received);
    AddSaturating(figures.Sent, sent);
    AddSaturating(figures.Seconds, seconds);
}

void TUsageStore::AddTick(const std::string& adapter, std::chrono::system_clock::time_point tickEnd, int64_t received,
                          int64_t sent, int64_t seconds)
{
    Add(adapter, LocalDay::Text(LocalDate(tickEnd)), received, sent, seconds);
}

bool TUsageStore::NeedsFlush(int64_t nowMs) const
{
    return Pending() && (!LastFlushMs || nowMs - *LastFlushMs >= FlushIntervalMs);
}

bool TUsageStore::Flush(int64_t nowMs)
{
    LastFlushMs = nowMs;
    if (!Pending()) return true;
    if (!Database && !Open()) return false;
    try {
        TSqliteTransaction transaction(*Database);
        for (const auto& [key, figures] : Gathered) {
            Upsert->Bind(1, key.first).Bind(2, key.second);
            Upsert->Bind(3, figures.Received).Bind(4, figures.Sent).Bind(5, figures.Seconds);
            Upsert->Step();
            Upsert->Reset();
        }
        transaction.Commit();
    } catch (const ESqlite& error) {
        // Opened afresh at the next flush: a file damaged or replaced meanwhile is then found out.
        Failed(error.what());
        Close();
        return false;
    }
    Gathered.clear();
    return true;
}

bool TUsageStore::Open()
{
    const UsageSchema::TFileCheck file = UsageSchema::CheckFile(Path);
    if (file.State == UsageSchema::TFileState::Refused) {
        Failed(Path + " is " + file.Problem);
        return false;
    }
    if (const int error = MakeFolders(Path)) {
        Failed(std::strerror(error));
        return false;
    }
    try {
        for (int attempt = 0;; ++attempt) {
            if (const int error = MakeFile(Path)) {
                Failed(std::strerror(error));
                return false;
            }
            Database = std::make_unique<TSqliteDatabase>(Path, SQLITE_OPEN_READWRITE);
            sqlite3_busy_timeout(Database->Handle(), BusyTimeoutMs);
            const std::string damage = UsageSchema::Damage(*Database);
            if (damage.empty()) break;
            Database.reset();
            // A new file that is damaged at once is beyond what moving aside can mend.
            if (attempt > 0) throw ESqlite(SQLITE_CORRUPT, "a new file is damaged as well: " + damage);
            MoveAside(damage);
        }
        // The log mode is kept in the file; the flush mode is per connection. Should another connection keep
        // the mode from changing, the rollback journal is as safe, and the next opening tries again.
        Database->Text("PRAGMA journal_mode = WAL");
        Database->Execute("PRAGMA synchronous = FULL");
        UsageSchema::Migrate(*Database);
        Upsert = std::make_unique<TSqliteStatement>(
            *Database, "INSERT INTO usage_day (adapter, day, received, sent, seconds) VALUES (?1, ?2, ?3, ?4, ?5)"
                       " ON CONFLICT (adapter, day) DO UPDATE SET received = received + excluded.received,"
                       " sent = sent + excluded.sent, seconds = seconds + excluded.seconds");
        return true;
    } catch (const ESqlite& error) {
        Failed(error.what());
        Close();
        return false;
    }
}

void TUsageStore::Close()
{
    Upsert.reset();
    Database.reset();
}

void TUsageStore::MoveAside(const std::string& reason)
{
    std::string aside = Path + ".damaged-" + StampNow();
    for (int same = 2; Exists(aside) || Exists(aside + "-wal"); ++same)
        aside = Path + ".damaged-" + StampNow() + "-" + std::to_string(same);
    // The log goes with the file, under the name SQLite looks for beside it, so that the two can still be
    // opened together; left behind it would be replayed into the new file. The index is rebuilt from the log.
    if (rename(Path.c_str(), aside.c_str()) != 0) {
        throw ESqlite(SQLITE_CANTOPEN,
                      "the damaged file could not be moved aside: " + std::string(std::strerror(errno)));
    }
    rename((Path + "-wal").c_str(), (aside + "-wal").c_str());
    unlink((Path + "-shm").c_str());
    if (OnProblem)
        OnProblem("The usage file " + Path + " was damaged (" + reason + "); it was moved aside as " + aside +
                  " and a new one started.");
}

void TUsageStore::Failed(const std::string& reason)
{
    if (FailureReported) return;
    FailureReported = true;
    if (OnProblem)
        OnProblem("The usage figures could not be stored (" + reason + "); they are kept and written later.");
}
