// A harmless child process for the job scenarios: it only waits, a bounded time,
// to be bound to a job and ended.
#include <chrono>
#include <thread>

int main() {
    std::this_thread::sleep_for(std::chrono::seconds(60));
    return 0;
}
