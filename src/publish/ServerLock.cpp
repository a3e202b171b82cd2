#include "publish/ServerLock.h"

#include "core/SlashPath.h"

#include "publish/RunNames.h"

#include <unistd.h>

#include <charconv>
#include <ctime>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

namespace bildertafel::publish {

namespace {

constexpr std::string_view LockHeader = "Bildertafel-Sperre 1";
constexpr std::uint64_t OwnerLimit = 4096;

std::string firstLineOf(const std::string& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

} // namespace

// Field 22 of /proc/<pid>/stat.
std::string startOf(std::int64_t pid) {
    const std::string stat = firstLineOf("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t end = stat.rfind(')'); // the name in brackets may hold blanks
    if (end == std::string::npos) {
        return {};
    }
    std::istringstream fields(stat.substr(end + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    return field;
}

namespace {

// The runs of this process that hold or wait for a lock: a lock of this process's own is left
// behind only by a run that has ended (a lost connection could not give it back).
std::mutex runsMutex;
std::set<std::string> runsUnderWay;

bool isUnderWay(const std::string& run) {
    const std::lock_guard<std::mutex> guard(runsMutex);
    return runsUnderWay.contains(run);
}

std::int64_t now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::string lockPath(std::string_view name) {
    return std::string(LockFolder) + "/" + std::string(name);
}

} // namespace

std::string lockText(const LockOwner& owner) {
    return std::string(LockHeader) + "\nlauf\t" + owner.run + "\nrechner\t" + owner.host +
           "\nboot\t" + owner.boot + "\nprozess\t" + std::to_string(owner.pid) + "\nstart\t" +
           owner.started + "\nerneuert\t" + std::to_string(owner.renewed) + "\n";
}

std::optional<LockOwner> parseLock(std::string_view text) {
    if (!text.starts_with(LockHeader)) {
        return std::nullopt;
    }
    LockOwner owner;
    std::istringstream lines{std::string(text)};
    std::string line;
    std::getline(lines, line);
    bool pid = false;
    bool renewed = false;
    while (std::getline(lines, line)) {
        const std::size_t tab = line.find('\t');
        const std::string key = line.substr(0, tab);
        const std::string value = tab == std::string::npos ? "" : line.substr(tab + 1);
        const auto number = [&](std::int64_t& into) {
            return std::from_chars(value.data(), value.data() + value.size(), into).ptr ==
                   value.data() + value.size();
        };
        if (key == "lauf") {
            owner.run = value;
        } else if (key == "rechner") {
            owner.host = value;
        } else if (key == "boot") {
            owner.boot = value;
        } else if (key == "prozess") {
            pid = number(owner.pid) && owner.pid > 0;
        } else if (key == "start") {
            owner.started = value;
        } else if (key == "erneuert") {
            renewed = number(owner.renewed);
        }
    }
    if (owner.run.empty() || !pid || !renewed) {
        return std::nullopt;
    }
    return owner;
}

LockOwner thisProcess(const std::string& run) {
    LockOwner self;
    self.run = run;
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    self.host = host;
    self.boot = firstLineOf("/proc/sys/kernel/random/boot_id");
    self.pid = ::getpid();
    self.started = startOf(self.pid);
    self.renewed = now();
    return self;
}

bool isStale(const LockOwner& owner, const LockOwner& self, std::chrono::seconds staleAfter) {
    if (!owner.boot.empty() && owner.boot == self.boot) {
        if (owner.pid == self.pid && owner.started == self.started) {
            return !isUnderWay(owner.run);
        }
        if (owner.started.empty() || startOf(owner.pid) != owner.started) {
            return true;
        }
    }
    return self.renewed - owner.renewed > staleAfter.count();
}

ServerLock::ServerLock(Connection& connection, std::string run, std::string shownFolder)
    : m_connection(connection), m_run(std::move(run)), m_shownFolder(std::move(shownFolder)) {
    const std::lock_guard<std::mutex> guard(runsMutex);
    runsUnderWay.insert(m_run);
}

ServerLock::~ServerLock() {
    const std::lock_guard<std::mutex> guard(runsMutex);
    runsUnderWay.erase(m_run);
}

void ServerLock::take(std::chrono::milliseconds wait, const std::function<bool()>& stopped) {
    using Clock = std::chrono::steady_clock;
    const bool object = m_connection.objectStore();
    const std::string name(LockFolder);
    const auto start = Clock::now();
    // A lock whose owner cannot be read was made by a run that died before it wrote it: its
    // maker writes it at once, so one that stays unreadable this long is taken over.
    const auto unreadableLimit = std::max(wait, std::chrono::milliseconds(2000));
    std::optional<Seen> unreadable; // as first seen unreadable
    Clock::time_point unreadableSince;
    for (;;) {
        // On an object store the lock is the one object LockFolder, written only where none is.
        if (object ? m_connection.sendIfAbsent(lockText(thisProcess(m_run)), name)
                   : m_connection.makeFolder(name)) {
            m_held = true;
            if (!object) {
                // On its way while the publish reads what is there (confirm()).
                m_connection.sendSoon(lockText(thisProcess(m_run)),
                                      lockPath(temporaryName(m_run, 0)), lockPath(LockOwnerFile));
            }
            m_renewed = Clock::now();
            return;
        }
        const std::optional<Seen> seen = object ? objectSeen() : look(name);
        if (!seen) {
            continue; // given back meanwhile
        }
        const std::optional<LockOwner> holder = seen->text ? parseLock(*seen->text) : std::nullopt;
        // Only this run writes its name: a lock naming it is its own, whose writing was answered
        // by a failure after all (and tried again) or whose answer was lost.
        if (holder && holder->run == m_run) {
            m_held = true;
            m_renewed = Clock::now();
            return;
        }
        bool stale = false;
        if (holder) {
            unreadable.reset();
            stale = isStale(*holder, thisProcess(m_run), StaleAfter);
        } else if (unreadable != seen) {
            unreadable = seen;
            unreadableSince = Clock::now();
        } else {
            stale = Clock::now() - unreadableSince >= unreadableLimit;
        }
        // A stale lock object is written over only while it is the one judged stale: of several
        // runs that judged it so only one can, and a lock made meanwhile stays.
        if (stale && object &&
            m_connection.replaceIfUnchanged(lockText(thisProcess(m_run)), name, seen->stamp)) {
            m_held = true;
            m_renewed = Clock::now();
            return;
        }
        if (stale && !object && takeOver(*seen)) {
            continue;
        }
        // An unreadable owner is watched until it is judged, unless it keeps changing.
        if (Clock::now() - start >= (holder ? wait : wait + 3 * unreadableLimit)) {
            busy(holder);
        }
        for (int i = 0; i < 5; ++i) {
            if (stopped()) {
                throw cancelled();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
}

// The owner as the lock now names it, read in bounded memory and never through a link.
std::optional<LockOwner> ServerLock::holder() {
    std::optional<std::string> text;
    if (m_connection.objectStore()) {
        text = objectText();
    } else if (const std::optional<RemoteEntry> lock =
                   m_connection.entryOf(std::string(LockFolder));
               lock && lock->folder && !lock->link) {
        text = ownerIn(std::string(LockFolder)).text;
    }
    return text ? parseLock(*text) : std::nullopt;
}

void ServerLock::confirm() {
    m_connection.settle();
}

void ServerLock::renewWhenDue() {
    if (!m_held || std::chrono::steady_clock::now() - m_renewed < RenewEvery) {
        return;
    }
    const auto isOwn = [this](const std::optional<LockOwner>& owner) {
        return owner && owner->run == m_run;
    };
    if (m_connection.objectStore()) {
        const std::optional<Seen> seen = objectSeen();
        if (!isOwn(seen && seen->text ? parseLock(*seen->text) : std::nullopt)) {
            takenOver();
        }
        // Written over only while it is the lock just read: never over one that another run
        // took over meanwhile. A retry of a write that did arrive finds it this run's still.
        if (!m_connection.replaceIfUnchanged(lockText(thisProcess(m_run)), std::string(LockFolder),
                                             seen->stamp) &&
            !isOwn(holder())) {
            takenOver();
        }
        m_renewed = std::chrono::steady_clock::now();
        return;
    }
    if (!isOwn(holder())) {
        takenOver();
    }
    writeOwner();
}

void ServerLock::takenOver() {
    m_held = false;
    FailureFacts facts(FailureKind::TakenOver);
    facts.path = m_shownFolder;
    throw PublishError(facts);
}

// Only what is still a folder is removed: a link put there is never followed.
void ServerLock::release() noexcept {
    if (!m_held) {
        return;
    }
    m_held = false;
    try {
        if (m_connection.objectStore()) {
            if (const std::optional<LockOwner> owner = holder(); owner && owner->run == m_run) {
                m_connection.remove(std::string(LockFolder));
            }
            return;
        }
        try {
            m_connection.settle();
        } catch (const PublishError&) {
            // Its temporary name goes with the folder.
        }
        const std::optional<RemoteEntry> lock = m_connection.entryOf(std::string(LockFolder));
        if (lock && lock->folder && !lock->link) {
            m_connection.removeFolderWith(std::string(LockFolder),
                                          {std::string(LockOwnerFile), temporaryName(m_run, 0)});
        }
    } catch (const std::exception&) {
        // Left behind: the next run sees that this one has ended and takes it over.
    }
}

std::optional<ServerLock::Seen> ServerLock::objectSeen() {
    std::string stamp;
    std::optional<std::string> text = objectText(&stamp);
    if (!text) {
        return std::nullopt;
    }
    return Seen{std::move(text), true, 0, std::move(stamp)};
}

// The lock object's text, "" for one too large to be read; nothing when there is none.
std::optional<std::string> ServerLock::objectText(std::string* stamp) {
    std::string read;
    std::optional<std::string> text =
        m_connection.readStamped(std::string(LockFolder), OwnerLimit, read);
    if (stamp != nullptr) {
        *stamp = std::move(read);
    }
    if (text && text->size() > OwnerLimit) {
        return std::string();
    }
    return text;
}

void ServerLock::writeOwner() {
    m_connection.send(lockText(thisProcess(m_run)), lockPath(temporaryName(m_run, 0)),
                      lockPath(LockOwnerFile), {});
    m_renewed = std::chrono::steady_clock::now();
}

std::optional<ServerLock::Seen> ServerLock::look(const std::string& name) {
    const std::optional<RemoteEntry> lock = m_connection.entryOf(name);
    if (!lock) {
        return std::nullopt;
    }
    if (lock->link) {
        linked(name);
    }
    if (!lock->folder) {
        return Seen{std::nullopt, true, lock->size, lock->stamp};
    }
    return ownerIn(name);
}

// The owner file's text, read only when it is small and a file: the server is not trusted.
ServerLock::Seen ServerLock::ownerIn(const std::string& folder) {
    const auto entries = m_connection.list(folder);
    for (const RemoteEntry& entry : entries.value_or(std::vector<RemoteEntry>())) {
        if (entry.name != LockOwnerFile) {
            continue;
        }
        Seen unreadable{std::nullopt, false, entry.size, entry.stamp};
        if (entry.folder || entry.link || entry.size > OwnerLimit) {
            return unreadable;
        }
        std::optional<std::string> text;
        try {
            text = m_connection.read(folder + "/" + std::string(LockOwnerFile), OwnerLimit);
        } catch (const PublishError& error) {
            if (!isRefusal(error)) {
                throw;
            }
        }
        return text && text->size() <= OwnerLimit ? Seen{std::move(text), false, 0, {}}
                                                  : unreadable;
    }
    return Seen{std::string(), false, 0, {}};
}

// Moves the stale lock aside (only one of several runs can), makes sure it is the one judged
// stale and not a fresh one made meanwhile, and removes it.
bool ServerLock::takeOver(const Seen& stale) {
    const std::string aside = std::string(LockFolder) + "-alt-" + m_run;
    try {
        m_connection.rename(std::string(LockFolder), aside);
    } catch (const PublishError&) {
        return false; // another run was quicker
    }
    std::optional<Seen> moved;
    try {
        moved = look(aside);
    } catch (const PublishError& error) {
        if (error.kind() == FailureKind::LinkedLock) {
            staysAside(aside); // put back, and refused as a link
        }
        throw;
    }
    if (moved != stale) {
        try {
            m_connection.rename(aside, std::string(LockFolder));
        } catch (const PublishError&) {
        }
        return false;
    }
    removeAside(aside, !stale.file);
    return true;
}

// The files of the lock set aside (never a folder below it, never through a link), then the lock
// itself; what cannot be removed goes back and is named.
void ServerLock::removeAside(const std::string& aside, bool folder) {
    try {
        if (!folder) {
            m_connection.remove(aside);
            return;
        }
        for (const RemoteEntry& entry :
             m_connection.list(aside).value_or(std::vector<RemoteEntry>())) {
            if (core::isPlainName(entry.name) && !entry.folder) {
                m_connection.remove(aside + "/" + entry.name);
            }
        }
        m_connection.removeFolder(aside);
    } catch (const PublishError& error) {
        if (error.kind() == FailureKind::Cancelled || error.kind() == FailureKind::Silent ||
            error.kind() == FailureKind::ConnectionLost) {
            // Told as the lock's, not by the name it was set aside to.
            FailureFacts facts = error.facts();
            if (facts.step != Step::None) {
                facts.step = Step::RemoveFolder;
                facts.path = std::string(LockFolder);
            }
            throw PublishError(facts);
        }
        staysAside(aside);
    }
}

// The lock set aside goes back under its name, so that no name but the lock's stays; the
// refusal names it where it lies.
void ServerLock::staysAside(const std::string& aside) {
    std::string lies = aside;
    try {
        m_connection.rename(aside, std::string(LockFolder));
        lies = std::string(LockFolder);
    } catch (const PublishError&) {
    }
    const std::optional<RemoteEntry> now = m_connection.entryOf(lies);
    if (now && now->link) {
        linked(lies);
    }
    FailureFacts facts(FailureKind::StaleLockStays);
    facts.path = m_shownFolder;
    facts.lock = std::string(LockFolder);
    facts.aside = lies != LockFolder;
    throw PublishError(facts);
}

void ServerLock::linked(const std::string& name) const {
    FailureFacts facts(FailureKind::LinkedLock);
    facts.path = m_shownFolder;
    facts.lock = std::string(LockFolder);
    facts.aside = name != LockFolder;
    throw PublishError(facts);
}

void ServerLock::busy(const std::optional<LockOwner>& owner) const {
    FailureFacts facts(FailureKind::Busy);
    facts.path = m_shownFolder;
    if (owner) {
        facts.host = owner->host;
        facts.time = owner->renewed;
    }
    throw PublishError(facts);
}

} // namespace bildertafel::publish
