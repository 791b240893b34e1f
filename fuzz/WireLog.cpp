#include "fuzz/WireLog.h"

#include "fuzz/Violation.h"

#include <algorithm>

namespace bf::fuzz {

namespace {

// A wait notices its time-out on the pump step after it: a reply that is in by then still counts.
constexpr std::uint32_t kNoticeMs = 1;

void AddRead(LineSession& session, const WireEvent& read, std::uint64_t& lastPoll) {
    if (session.exchanges.empty())
        session.exchanges.emplace_back();
    auto& groups = session.exchanges.back().groups;
    if (groups.empty() || read.poll != lastPoll)
        groups.push_back({{}, {}, read.polled, read.atMs});
    lastPoll = read.poll;
    groups.back().bytes.insert(groups.back().bytes.end(), read.bytes.begin(), read.bytes.end());
    groups.back().arrivals.insert(groups.back().arrivals.end(), read.arrivals.begin(), read.arrivals.end());
}

} // namespace

std::vector<std::uint8_t> Exchange::Got() const {
    std::vector<std::uint8_t> got;
    for (const ReadGroup& g : groups)
        got.insert(got.end(), g.bytes.begin(), g.bytes.end());
    return got;
}

bool Exchange::Answered(std::size_t count, std::uint32_t timeoutMs) const {
    std::vector<std::uint32_t> arrivals;
    for (const ReadGroup& g : groups)
        arrivals.insert(arrivals.end(), g.arrivals.begin(), g.arrivals.end());
    if (arrivals.size() < count)
        return false;
    return std::all_of(arrivals.begin(), arrivals.begin() + static_cast<std::ptrdiff_t>(count),
                       [&](std::uint32_t at) {
                           const auto since = static_cast<std::int32_t>(at - sentMs);
                           return since >= 0 && static_cast<std::uint32_t>(since) <= timeoutMs + kNoticeMs;
                       });
}

std::vector<LineSession> SessionsOf(const std::vector<WireEvent>& events) {
    std::vector<LineSession> sessions;
    std::uint64_t lastPoll = ~std::uint64_t{0};
    for (const WireEvent& e : events) {
        switch (e.kind) {
        case WireEvent::Kind::Open:
        case WireEvent::Kind::OpenFailed:
            sessions.push_back({e.port, e.baud, e.kind == WireEvent::Kind::Open, false, false, {}});
            break;
        case WireEvent::Kind::Close:
            sessions.back().closed = true;
            break;
        case WireEvent::Kind::Write:
            sessions.back().exchanges.push_back({e.atMs, e.bytes, {}});
            break;
        case WireEvent::Kind::Read:
            AddRead(sessions.back(), e, lastPoll);
            break;
        case WireEvent::Kind::Failure:
            if (!sessions.empty())
                sessions.back().failed = true;
            break;
        case WireEvent::Kind::Discard:
            break;
        }
    }
    return sessions;
}

ExchangeWalk::ExchangeWalk(const std::vector<LineSession>& sessions, std::size_t from) {
    for (std::size_t i = from; i < sessions.size(); ++i)
        for (const Exchange& e : sessions[i].exchanges)
            m_all.push_back(&e);
}

const Exchange& ExchangeWalk::Next(const char* rule) {
    Require(m_at < m_all.size(), rule);
    return *m_all[m_at++];
}

bool Sent(const Exchange& e, std::initializer_list<std::uint8_t> bytes) {
    return std::equal(e.sent.begin(), e.sent.end(), bytes.begin(), bytes.end());
}

} // namespace bf::fuzz
