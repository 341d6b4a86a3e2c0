#include "watch/password_source.hpp"

#include <fstream>

namespace orvane_cli {

bool ReadPasswordFile(const std::string& path, std::string& password) {
    std::ifstream file(path, std::ios::binary);
    std::string line;
    if (!file || !std::getline(file, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    password = std::move(line);
    return true;
}

std::string PasswordSource::Get() const {
    const std::lock_guard lock(mutex_);
    return password_;
}

void PasswordSource::Refresh() {
    std::string file;
    {
        const std::lock_guard lock(mutex_);
        file = file_;
    }
    if (file.empty()) return;
    std::string read;
    if (!ReadPasswordFile(file, read)) return;
    const std::lock_guard lock(mutex_);
    Take(std::move(read));
}

bool PasswordSource::UseFile(std::string file) {
    std::string read;
    if (!ReadPasswordFile(file, read)) return false;
    const std::lock_guard lock(mutex_);
    file_ = std::move(file);
    Take(std::move(read));
    return true;
}

void PasswordSource::Take(std::string password) {
    if (password == password_) return;
    password_ = std::move(password);
    generation_.fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace orvane_cli
