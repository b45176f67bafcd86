// SnmpClient::get against a loopback UDP responder that answers with
// fuzzer-made bytes. The first input byte chooses how: bit 0 set, the
// request's identifier is copied into the answer (when the answer has the
// shape of a message), so the client parses it to the end; clear, the bytes
// go out as they are. Bit 1 sends the answer twice. The client must return
// one of its result codes within its time-out, and a value it can print.
#include "SnmpClient.h"
#include "Variant.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Tlv {
    std::size_t header = 0;  // tag and length bytes
    std::size_t length = 0;  // content bytes
};

// A definite-length BER header at the start of `bytes` whose content fits.
std::optional<Tlv> readTlv(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 2)
        return std::nullopt;
    std::size_t length = bytes[1];
    std::size_t header = 2;
    if (length & 0x80) {
        const std::size_t count = length & 0x7F;
        if (count == 0 || count > 4 || bytes.size() < 2 + count)
            return std::nullopt;
        length = 0;
        for (std::size_t i = 0; i < count; ++i)
            length = (length << 8) | bytes[2 + i];
        header += count;
    }
    if (bytes.size() - header < length)
        return std::nullopt;
    return Tlv{header, length};
}

void appendTlv(Bytes& out, std::uint8_t tag, std::span<const std::uint8_t> content)
{
    out.push_back(tag);
    const std::size_t n = content.size();
    if (n < 0x80) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else if (n < 0x100) {
        out.insert(out.end(), {0x81, static_cast<std::uint8_t>(n)});
    } else {
        out.insert(out.end(), {0x82, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
    }
    out.insert(out.end(), content.begin(), content.end());
}

// Where a message's parts lie: the message's own header, the PDU (after the
// version and the community) and the request identifier, its first element.
// Each part lies inside the one around it.
struct Layout {
    Tlv message;
    std::size_t pduStart = 0;
    Tlv pdu;
    std::size_t idStart = 0;
    std::size_t idSize = 0;
};

std::optional<Layout> layoutOf(std::span<const std::uint8_t> bytes)
{
    Layout layout;
    const auto message = readTlv(bytes);
    if (!message)
        return std::nullopt;
    layout.message = *message;
    const auto inside = bytes.first(message->header + message->length);
    std::size_t at = message->header;
    for (int skip = 0; skip < 2; ++skip) {  // version, community
        const auto element = readTlv(inside.subspan(at));
        if (!element)
            return std::nullopt;
        at += element->header + element->length;
    }
    const auto pdu = readTlv(inside.subspan(at));
    if (!pdu)
        return std::nullopt;
    layout.pduStart = at;
    layout.pdu = *pdu;
    const auto id = readTlv(inside.subspan(at + pdu->header).first(pdu->length));
    if (!id)
        return std::nullopt;
    layout.idStart = at + pdu->header;
    layout.idSize = id->header + id->length;
    return layout;
}

// `answer` with its request identifier replaced by the request's, the
// enclosing lengths made right; `answer` itself when it has no such shape.
Bytes withRequestId(std::span<const std::uint8_t> answer, std::span<const std::uint8_t> request)
{
    const auto ours = layoutOf(request);
    const auto theirs = layoutOf(answer);
    if (!ours || !theirs)
        return Bytes(answer.begin(), answer.end());
    const auto part = [&answer](std::size_t from, std::size_t to) { return answer.subspan(from, to - from); };
    const std::size_t pduEnd = theirs->pduStart + theirs->pdu.header + theirs->pdu.length;
    const std::size_t messageEnd = theirs->message.header + theirs->message.length;

    Bytes pduContent;
    const auto id = request.subspan(ours->idStart, ours->idSize);
    pduContent.insert(pduContent.end(), id.begin(), id.end());
    const auto rest = part(theirs->idStart + theirs->idSize, pduEnd);
    pduContent.insert(pduContent.end(), rest.begin(), rest.end());
    const auto head = part(theirs->message.header, theirs->pduStart);
    Bytes messageContent(head.begin(), head.end());
    appendTlv(messageContent, answer[theirs->pduStart], pduContent);
    const auto tail = part(pduEnd, messageEnd);
    messageContent.insert(messageContent.end(), tail.begin(), tail.end());
    Bytes out;
    appendTlv(out, answer[0], messageContent);
    const auto trailing = part(messageEnd, answer.size());
    out.insert(out.end(), trailing.begin(), trailing.end());
    return out;
}

// The loopback peer, bound once for the whole run.
class Responder {
public:
    Responder()
    {
        m_socket = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_socket < 0 || bind(m_socket, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            __builtin_trap();
        m_port = ntohs(address.sin_port);
    }
    ~Responder() { close(m_socket); }
    std::uint16_t port() const { return m_port; }

    // Waits for one request and answers it as the input says.
    void answerOne(std::span<const std::uint8_t> input)
    {
        pollfd ready{m_socket, POLLIN, 0};
        if (poll(&ready, 1, 1000) != 1)
            return;
        std::uint8_t request[65536];
        sockaddr_storage from{};
        socklen_t fromLength = sizeof from;
        const ssize_t got =
            recvfrom(m_socket, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got <= 0 || input.empty())
            return;
        const std::uint8_t mode = input[0];
        const auto bytes = input.subspan(1);
        const Bytes answer = (mode & 1) ? withRequestId(bytes, {request, static_cast<std::size_t>(got)})
                                        : Bytes(bytes.begin(), bytes.end());
        for (int copy = 0; copy < ((mode & 2) ? 2 : 1); ++copy)
            sendto(m_socket, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
    }

private:
    int m_socket = -1;
    std::uint16_t m_port = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Responder responder;
    if (size > 1 + 65507)
        return 0;  // more than a datagram carries
    zemtra::SnmpClient client;
    client.setAgent("127.0.0.1");
    client.setPort(responder.port());
    client.setTimeout(1);  // 10 ms
    client.setRetries(0);

    std::thread peer([&] { responder.answerOne({data, size}); });
    zemtra::Variant value;
    const auto started = std::chrono::steady_clock::now();
    const zemtra::ResultCode result = client.get(".1.3.6.1.4.1.32473.2.2.1.1.0", value);
    const auto waited = std::chrono::steady_clock::now() - started;
    peer.join();

    switch (result) {
    case zemtra::kOk:
    case zemtra::kRequestFailed:
    case zemtra::kSequenceNotMapped:
    case zemtra::kTypeNotMapped:
        break;
    default:
        __builtin_trap();  // a loopback agent and a good identifier leave no other outcome
    }
    if (waited > std::chrono::seconds(2))
        __builtin_trap();  // far past the 10 ms time-out
    if (result == zemtra::kOk) {
        const auto text = value.toText();
        // A datagram's worth of bytes, as a hex dump at the most.
        if (text && text->size() > 65536 * 5)
            __builtin_trap();
    } else if (!value.isEmpty()) {
        __builtin_trap();  // a failure leaves no value behind
    }
    return 0;
}
