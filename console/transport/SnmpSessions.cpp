// The one file of the console's transport that includes the protocol library's headers.
#include "SnmpSessions.h"

#include "AgentAddress.h"
#include "CHandle.h"
#include "ObjectId.h"
#include "SnmpWire.h"
#include "ValueMapping.h"

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/library/large_fd_set.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vimbo {

namespace {

using Clock = std::chrono::steady_clock;
using PduPtr = zemtra::CHandle<netsnmp_pdu, snmp_free_pdu>;
using SessionPtr = zemtra::CHandle<void, snmp_sess_close>;

// As the component library does: no system configuration, no persistent
// state, no MIBs, no log output. Whichever of the two runs first sets it up.
void startLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_LOAD_HOST_FILES, 1);
        netsnmp_register_loghandler(NETSNMP_LOGHANDLER_NONE, LOG_DEBUG);
    });
}

std::string sessionError(void* session)
{
    int libraryError = 0, systemError = 0;
    char* text = nullptr;
    snmp_sess_error(session, &libraryError, &systemError, &text);
    std::string reason = text ? text : "unknown error";
    SNMP_FREE(text);
    return reason;
}

// A session serves a probe while these hold; the write community plays no part in a read.
bool sameSession(const ClientSettings& a, const ClientSettings& b)
{
    return a.agent == b.agent && a.port == b.port && a.communityR == b.communityR &&
           a.timeout10ms == b.timeout10ms && a.retries == b.retries;
}

std::chrono::microseconds timeoutOf(const ClientSettings& settings)
{
    return std::chrono::microseconds(settings.timeout10ms * 10000L);
}

}  // namespace

struct SnmpSessions::Engine {
    /// The library's descriptor set, for one socket at a time.
    class FdSet {
    public:
        FdSet() { netsnmp_large_fd_set_init(&m_set, FD_SETSIZE); }
        ~FdSet() { netsnmp_large_fd_set_cleanup(&m_set); }
        FdSet(const FdSet&) = delete;
        FdSet& operator=(const FdSet&) = delete;
        netsnmp_large_fd_set* get() { return &m_set; }

    private:
        netsnmp_large_fd_set m_set;
    };

    struct Pending {
        QPointer<QObject> context;
        PollTransport::Done done;
        std::string oid;
        int tries = 1;
    };

    struct Session {
        Engine* engine = nullptr;
        Channel channel = 0;
        ClientSettings settings;
        std::string peer;
        SessionPtr handle;  // declared before the notifier, so closed after it has gone
        std::unique_ptr<QSocketNotifier> notifier;
        std::unordered_map<int, Pending> pending;  // by request id
        std::optional<Clock::time_point> deadline;  // the earliest time-out or retry due, or later
        bool retired = false;  // replaced by a session with other settings; goes with its last reply
        bool closing = false;  // the library's calls back while it closes are not ours to answer
        ~Session() { closing = true; }
    };

    struct Ready {
        QPointer<QObject> context;
        PollTransport::Done done;
        SnmpReply reply;
    };

    Engine()
    {
        startLibraryOnce();
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &anchor, [this] { timedOut(); });
    }

    ~Engine()
    {
        // Closing a session may call back: each is marked closing first.
        sessions.clear();
    }

    void get(Channel channel, const std::string& oid, const ClientSettings& settings, QObject* context,
             PollTransport::Done done);
    Session* sessionFor(Channel channel, const ClientSettings& settings, const zemtra::AgentAddress& address,
                        std::string& reason);
    const std::vector<::oid>* nameOf(const std::string& oid);
    void close(Channel channel);
    void destroy(Session* session);
    void readable(Session& session);
    void timedOut();
    void answer(Session& session, int operation, int requestId, const netsnmp_pdu* pdu);
    void settle(Session& session);
    void schedule(Clock::time_point due);
    void failLater(QObject* context, PollTransport::Done done, const std::string& oid, zemtra::ResultCode code,
                   std::string reason);
    void deliver();

    static int libraryCallback(int operation, netsnmp_session*, int requestId, netsnmp_pdu* pdu, void* magic)
    {
        auto* session = static_cast<Session*>(magic);
        if (!session->closing)
            session->engine->answer(*session, operation, requestId, pdu);
        return 1;
    }

    QObject anchor;  // the timer's and the queued deliveries' receiver, on this thread
    QTimer timer;
    Clock::time_point timerDue;
    FdSet fds;
    Channel nextChannel = 1;
    std::unordered_map<Session*, std::unique_ptr<Session>> sessions;
    std::unordered_map<Channel, Session*> current;  // the session a channel's next read goes to
    std::vector<Ready> ready;                        // replies to hand on once the library's call is over
    std::unordered_map<std::string, std::vector<::oid>> names;  // identifiers parsed, a cycle's few dozen
    bool flushPosted = false;
    std::shared_ptr<int> alive = std::make_shared<int>(0);  // gone with this engine: a reply's callee may end it
};

void SnmpSessions::Engine::get(Channel channel, const std::string& oid, const ClientSettings& settings,
                               QObject* context, PollTransport::Done done)
{
    // The same checks, in the same order, as the component's get; a session
    // open on these settings has passed those of the settings already.
    Session* session = nullptr;
    if (const auto found = current.find(channel); found != current.end() && sameSession(found->second->settings, settings))
        session = found->second;
    std::optional<zemtra::AgentAddress> address;
    if (!session) {
        address = zemtra::parseAgentAddress(settings.agent);
        if (!address)
            return failLater(context, std::move(done), oid, zemtra::kBadAgentAddress,
                             "not an agent address: \"" + settings.agent + "\"");
    }
    const std::vector<::oid>* name = nameOf(oid);
    if (!name)
        return failLater(context, std::move(done), oid, zemtra::kRequestFailed,
                         "not an object identifier: \"" + oid + "\"");
    if (settings.timeout10ms < 0 || settings.retries < 0)
        return failLater(context, std::move(done), oid, zemtra::kRequestFailed,
                         "a negative time-out or retry count is refused");
    if (!session) {
        std::string reason;
        session = sessionFor(channel, settings, *address, reason);
        if (!session)
            return failLater(context, std::move(done), oid, zemtra::kSessionNotOpened, std::move(reason));
    }

    PduPtr request(snmp_pdu_create(SNMP_MSG_GET));
    if (!request || !snmp_add_null_var(request.get(), name->data(), name->size()))
        return failLater(context, std::move(done), oid, zemtra::kRequestFailed, "cannot build the request");
    const int requestId = snmp_sess_async_send(session->handle.get(), request.get(), libraryCallback, session);
    if (requestId == 0)  // the request is still ours to free
        return failLater(context, std::move(done), oid, zemtra::kRequestFailed, sessionError(session->handle.get()));
    request.release();  // the library's now
    const auto now = Clock::now();
    session->pending.emplace(requestId, Pending{context, std::move(done), oid});
    session->notifier->setEnabled(true);
    // Taken after the send, so never before the library's own time-out falls due.
    if (!session->deadline) {
        session->deadline = now + timeoutOf(settings);
        schedule(*session->deadline);
    }
}

// Every cycle reads the same identifiers: each is parsed once.
const std::vector<::oid>* SnmpSessions::Engine::nameOf(const std::string& oid)
{
    if (const auto found = names.find(oid); found != names.end())
        return &found->second;
    const auto arcs = zemtra::parseObjectId(oid);
    if (!arcs)
        return nullptr;
    if (names.size() >= 4096)  // not a cycle's: kept from growing without end
        names.clear();
    return &names.emplace(oid, std::vector<::oid>(arcs->begin(), arcs->end())).first->second;
}

SnmpSessions::Engine::Session* SnmpSessions::Engine::sessionFor(Channel channel, const ClientSettings& settings,
                                                                const zemtra::AgentAddress& address,
                                                                std::string& reason)
{
    if (const auto found = current.find(channel); found != current.end()) {
        Session* session = found->second;
        if (sameSession(session->settings, settings))
            return session;
        current.erase(found);
        session->retired = true;
        if (session->pending.empty())
            destroy(session);
    }
    netsnmp_session config;
    snmp_sess_init(&config);
    std::string peer = zemtra::peerName(address, settings.port);
    config.peername = peer.data();
    config.version = SNMP_VERSION_1;
    config.local_port = 0;
    // The library copies the community; an empty one stays empty, with no configuration read.
    std::string community = settings.communityR;
    config.community = reinterpret_cast<u_char*>(community.data());
    config.community_len = community.size();
    config.timeout = static_cast<long>(timeoutOf(settings).count());
    config.retries = settings.retries;
    SessionPtr handle(snmp_sess_open(&config));
    const netsnmp_transport* transport = handle ? snmp_sess_transport(handle.get()) : nullptr;
    if (!transport) {
        const char* text = snmp_api_errstring(snmp_errno);
        reason = "cannot open a session to " + peer + ": " + (text ? text : "unknown error");
        return nullptr;
    }
    auto owned = std::make_unique<Session>();
    Session* session = owned.get();
    session->engine = this;
    session->channel = channel;
    session->settings = settings;
    session->peer = std::move(peer);
    session->handle = std::move(handle);
    session->notifier = std::make_unique<QSocketNotifier>(transport->sock, QSocketNotifier::Read);
    session->notifier->setEnabled(false);
    QObject::connect(session->notifier.get(), &QSocketNotifier::activated, &anchor,
                     [this, session] { readable(*session); });
    sessions.emplace(session, std::move(owned));
    current.emplace(channel, session);
    return session;
}

void SnmpSessions::Engine::close(Channel channel)
{
    current.erase(channel);
    std::vector<Session*> closing;
    for (const auto& [session, owned] : sessions)
        if (session->channel == channel)
            closing.push_back(session);
    for (Session* session : closing)
        destroy(session);
}

// Also called from the session's own notifier: it goes later, after its signal has returned.
void SnmpSessions::Engine::destroy(Session* session)
{
    session->closing = true;
    session->notifier->setEnabled(false);
    session->notifier.release()->deleteLater();
    sessions.erase(session);
}

void SnmpSessions::Engine::readable(Session& session)
{
    const int sock = snmp_sess_transport(session.handle.get())->sock;
    NETSNMP_LARGE_FD_SET(sock, fds.get());
    snmp_sess_read2(session.handle.get(), fds.get());
    NETSNMP_LARGE_FD_CLR(sock, fds.get());
    const std::weak_ptr<int> engineAlive = alive;
    const Channel channel = session.channel;
    const bool retired = session.retired;
    settle(session);
    deliver();
    // Only the sockets with reads out are watched: the event loop goes over
    // every watched one at each wake-up. A cycle's next read, sent from the
    // reply just handed on, has kept it watched.
    if (engineAlive.expired() || retired)
        return;
    if (const auto found = current.find(channel); found != current.end() && found->second == &session &&
                                                  session.pending.empty())
        session.notifier->setEnabled(false);
}

// The library resends or gives up only when asked: ask the sessions whose
// time has come, then learn from each when it next needs asking.
void SnmpSessions::Engine::timedOut()
{
    const auto now = Clock::now();
    std::vector<Session*> due;
    for (const auto& [session, owned] : sessions)
        if (session->deadline && *session->deadline <= now)
            due.push_back(session);
    for (Session* session : due) {
        snmp_sess_timeout(session->handle.get());
        if (!session->pending.empty()) {
            const timeval far{3600, 0};
            timeval wait = far;
            int block = 0, numfds = 0;
            snmp_sess_select_info2(session->handle.get(), &numfds, fds.get(), &wait, &block);
            NETSNMP_LARGE_FD_CLR(snmp_sess_transport(session->handle.get())->sock, fds.get());
            const bool known = wait.tv_sec < far.tv_sec;
            session->deadline = Clock::now() + (known ? std::chrono::seconds(wait.tv_sec) +
                                                            std::chrono::microseconds(wait.tv_usec) + std::chrono::milliseconds(1)
                                                      : std::chrono::duration_cast<Clock::duration>(timeoutOf(session->settings)));
        }
        settle(*session);
    }
    std::optional<Clock::time_point> next;
    for (const auto& [session, owned] : sessions)
        if (session->deadline && (!next || *session->deadline < *next))
            next = session->deadline;
    if (next)
        schedule(*next);
    const std::weak_ptr<int> engineAlive = alive;
    deliver();
    // A probe that stays silent is not watched between its cycles.
    if (engineAlive.expired())
        return;
    for (const auto& [session, owned] : sessions)
        if (session->pending.empty() && session->notifier)
            session->notifier->setEnabled(false);
}

void SnmpSessions::Engine::answer(Session& session, int operation, int requestId, const netsnmp_pdu* pdu)
{
    const auto found = session.pending.find(requestId);
    if (found == session.pending.end())
        return;
    // The library tells each resend it makes on its own.
    if (operation == NETSNMP_CALLBACK_OP_RESEND) {
        ++found->second.tries;
        return;
    }
    Pending pending = std::move(found->second);
    session.pending.erase(found);

    SnmpReply reply;
    reply.oid = std::move(pending.oid);
    reply.tries = pending.tries;
    reply.code = zemtra::kRequestFailed;
    if (operation == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu) {
        if (pdu->errstat != SNMP_ERR_NOERROR) {
            reply.reason = std::string("the agent answered error status ") + std::to_string(pdu->errstat) + " " +
                           snmp_errstring(static_cast<int>(pdu->errstat)) + " at binding " +
                           std::to_string(pdu->errindex);
        } else if (!pdu->variables) {
            reply.reason = "the answer holds no value";
        } else {
            const zemtra::wire::Value value = zemtra::wire::valueOf(*pdu->variables);
            zemtra::Variant local;
            reply.code = zemtra::mapValue(value, local);
            if (reply.ok())
                reply.value = std::move(local);
            else
                reply.reason = "the value's type " + std::to_string(value.syntax) + " has no variant type";
        }
    } else if (operation == NETSNMP_CALLBACK_OP_TIMED_OUT) {
        reply.reason = "no answer from " + session.peer + " (" + std::to_string(pending.tries) + " tries of " +
                       std::to_string(timeoutOf(session.settings).count() / 1000) + " ms)";
    } else {
        reply.reason = "the request to " + session.peer + " failed: " + sessionError(session.handle.get());
    }
    ready.push_back({pending.context, std::move(pending.done), std::move(reply)});
}

// After the library's call on `session` has returned.
void SnmpSessions::Engine::settle(Session& session)
{
    if (!session.pending.empty())
        return;
    session.deadline.reset();
    if (session.retired)
        destroy(&session);
}

void SnmpSessions::Engine::schedule(Clock::time_point due)
{
    if (timer.isActive() && timerDue <= due)
        return;
    timerDue = due;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now());
    timer.start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0)));
}

void SnmpSessions::Engine::failLater(QObject* context, PollTransport::Done done, const std::string& oid,
                                     zemtra::ResultCode code, std::string reason)
{
    SnmpReply reply;
    reply.oid = oid;
    reply.code = code;
    reply.reason = std::move(reason);
    reply.tries = 1;
    ready.push_back({context, std::move(done), std::move(reply)});
    if (flushPosted)
        return;
    flushPosted = true;
    QMetaObject::invokeMethod(
        &anchor,
        [this] {
            flushPosted = false;
            deliver();
        },
        Qt::QueuedConnection);
}

void SnmpSessions::Engine::deliver()
{
    const std::weak_ptr<int> engineAlive = alive;
    std::vector<Ready> batch = std::exchange(ready, {});
    for (Ready& item : batch) {
        if (item.context)
            item.done(item.reply);
        if (engineAlive.expired())
            return;
    }
}

SnmpSessions::SnmpSessions() : m_engine(std::make_unique<Engine>()) {}

SnmpSessions::~SnmpSessions() = default;

SnmpSessions::Channel SnmpSessions::open() { return m_engine->nextChannel++; }

void SnmpSessions::close(Channel channel) { m_engine->close(channel); }

void SnmpSessions::get(Channel channel, const std::string& oid, const ClientSettings& settings, QObject* context,
                       PollTransport::Done done)
{
    Q_ASSERT(QThread::currentThread() == m_engine->anchor.thread());
    m_engine->get(channel, oid, settings, context, std::move(done));
}

std::size_t SnmpSessions::openSessions() const { return m_engine->sessions.size(); }

std::size_t SnmpSessions::inFlight() const
{
    std::size_t count = 0;
    for (const auto& [session, owned] : m_engine->sessions)
        count += session->pending.size();
    return count;
}

SessionTransport::SessionTransport(SnmpSessions& sessions, ClientSettings settings)
    : m_sessions(sessions), m_channel(sessions.open()), m_settings(std::move(settings))
{
}

SessionTransport::~SessionTransport() { m_sessions.close(m_channel); }

void SessionTransport::get(const std::string& oid, const ClientSettings& settings, QObject* context, Done done)
{
    m_sessions.get(m_channel, oid, settings, context, std::move(done));
}

}  // namespace vimbo
