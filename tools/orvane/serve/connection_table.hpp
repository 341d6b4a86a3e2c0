// The server's bookkeeping that keeps one client from taking the service away
// from the others, free of sockets so that it is tested as plain code: which
// connections are open from which peer address and which of them wait for a
// request's first byte, and how much memory the answers being written hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

namespace orvane_cli::serve {

// At most `most` connections, `mostPerPeer` of them from one address. A
// newcomer over a cap takes the place of the connection idle the longest of
// its peer (over the peer's cap) or of all (over the total): an idle one has
// sent nothing yet, so closing it costs its client no answer. A flood of
// idle connections thus only ever displaces itself.
class ConnectionTable {
public:
    using Id = std::uint64_t;

    ConnectionTable(std::size_t most, std::size_t mostPerPeer) : most_(most), mostPerPeer_(mostPerPeer) {}

    struct Room {
        bool admitted = false;
        std::optional<Id> drop;  // to close before the newcomer opens
    };
    Room RoomFor(const std::string& peer) const;

    // A connection opened; idle until it is marked otherwise.
    Id Open(const std::string& peer);
    void SetIdle(Id id, bool idle);
    // The peer address `id` was opened for; `id` is open.
    const std::string& PeerOf(Id id) const { return entries_.at(id).peer; }
    // Forgets `id`; nothing when it is already closed.
    void Close(Id id);
    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        std::string peer;
        std::uint64_t idleSince = 0;  // the idle order; 0 while busy
    };
    std::optional<Id> LongestIdle(const std::string* peer) const;

    std::size_t most_;
    std::size_t mostPerPeer_;
    std::unordered_map<Id, Entry> entries_;
    std::map<std::string, std::size_t> perPeer_;
    std::map<std::uint64_t, Id> idle_;  // the longest idle first
    Id nextId_ = 1;
    std::uint64_t nextIdle_ = 1;
};

// The bytes of the bodies being written. A body is known by its address and
// counted once however many answers send it, so that a document shared by
// every request of a moment costs its size once. Small answers (up to a
// 64th of the budget: a scrape of thousands of series) may use the whole
// budget; larger ones leave its last eighth to them, so that clients who ask
// for large documents and never read cannot fill it to the byte and starve
// the scrapes.
class ResponseBudget {
public:
    explicit ResponseBudget(std::size_t bytes) : bytes_(bytes) {}

    // One more answer sends `size` bytes at `body`; false, counting nothing,
    // when that would go past the budget.
    bool Take(const void* body, std::size_t size);
    // An answer that took `body` ended. True when that brought the bytes in
    // flight back to none after they were above kBurst: the time to hand
    // freed memory back.
    bool Give(const void* body);
    std::size_t inFlight() const { return inFlight_; }

    static constexpr std::size_t kBurst = std::size_t{8} << 20;

private:
    struct Held {
        std::size_t size = 0;
        std::size_t answers = 0;
    };
    std::size_t bytes_;
    std::size_t inFlight_ = 0;
    bool burst_ = false;
    std::unordered_map<const void*, Held> held_;
};

}  // namespace orvane_cli::serve
