#include "serve/connection_table.hpp"

namespace orvane_cli::serve {

ConnectionTable::Room ConnectionTable::RoomFor(const std::string& peer) const {
    const auto found = perPeer_.find(peer);
    if (found != perPeer_.end() && found->second >= mostPerPeer_) {
        const auto drop = LongestIdle(&peer);
        return Room{drop.has_value(), drop};
    }
    if (entries_.size() >= most_) {
        const auto drop = LongestIdle(nullptr);
        return Room{drop.has_value(), drop};
    }
    return Room{true, std::nullopt};
}

std::optional<ConnectionTable::Id> ConnectionTable::LongestIdle(const std::string* peer) const {
    // A linear walk: the table holds a few hundred connections at most.
    for (const auto& [order, id] : idle_) {
        if (peer == nullptr || entries_.at(id).peer == *peer) return id;
    }
    return std::nullopt;
}

ConnectionTable::Id ConnectionTable::Open(const std::string& peer) {
    const Id id = nextId_++;
    entries_.emplace(id, Entry{peer, 0});
    ++perPeer_[peer];
    SetIdle(id, true);
    return id;
}

void ConnectionTable::SetIdle(Id id, bool idle) {
    Entry& entry = entries_.at(id);
    if (entry.idleSince != 0) idle_.erase(entry.idleSince);
    entry.idleSince = 0;
    if (idle) {
        entry.idleSince = nextIdle_++;
        idle_.emplace(entry.idleSince, id);
    }
}

void ConnectionTable::Close(Id id) {
    const auto found = entries_.find(id);
    if (found == entries_.end()) return;
    if (found->second.idleSince != 0) idle_.erase(found->second.idleSince);
    const auto peer = perPeer_.find(found->second.peer);
    if (--peer->second == 0) perPeer_.erase(peer);
    entries_.erase(found);
}

bool ResponseBudget::Take(const void* body, std::size_t size) {
    Held& held = held_[body];
    if (held.answers == 0) {
        const std::size_t room = size <= bytes_ / 64 ? bytes_ : bytes_ - bytes_ / 8;
        if (inFlight_ + size > room) {
            held_.erase(body);
            return false;
        }
        held.size = size;
        inFlight_ += size;
        burst_ = burst_ || inFlight_ > kBurst;
    }
    ++held.answers;
    return true;
}

bool ResponseBudget::Give(const void* body) {
    const auto found = held_.find(body);
    if (found == held_.end() || --found->second.answers > 0) return false;
    inFlight_ -= found->second.size;
    held_.erase(found);
    if (inFlight_ > 0 || !burst_) return false;
    burst_ = false;
    return true;
}

}  // namespace orvane_cli::serve
