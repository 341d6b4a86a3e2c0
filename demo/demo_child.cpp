// The demo's harmless child process: it only waits, then ends by itself.
#include <chrono>
#include <thread>

int main() {
    std::this_thread::sleep_for(std::chrono::seconds(30));
    return 0;
}
