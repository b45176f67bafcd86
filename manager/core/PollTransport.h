#pragma once

#include "ResultCode.h"
#include "Variant.h"

#include <cstdint>
#include <functional>
#include <string>

class QObject;

namespace zemtra {
class SnmpClient;
}

namespace vimbo {

/// The six settings a request is made with, copied when it is queued.
struct ClientSettings {
    std::string agent, communityR, communityW;
    std::int16_t timeout10ms = 0;
    std::int16_t retries = 0;
    std::uint16_t port = 0;

    static ClientSettings of(const zemtra::SnmpClient& client);
    void applyTo(zemtra::SnmpClient& client) const;
};

/// What a request came back with.
struct SnmpReply {
    std::string oid;
    zemtra::ResultCode code = zemtra::kOk;
    zemtra::Variant value;   // the value read, for a get
    std::string reason;      // why it failed, for a developer
    int tries = 0;           // the tries made
    bool ok() const { return !zemtra::failed(code); }
};

/// Where a polling cycle's reads go: the request worker, or a test's fake.
class PollTransport {
public:
    using Done = std::function<void(const SnmpReply&)>;
    virtual ~PollTransport() = default;
    /// The settings a request queued now would take.
    virtual ClientSettings currentSettings() const = 0;
    /// Reads `oid` with `settings`; `done` is called later on the caller's
    /// thread, unless `context` is gone by then.
    virtual void get(const std::string& oid, const ClientSettings& settings, QObject* context, Done done) = 0;
};

}  // namespace vimbo
