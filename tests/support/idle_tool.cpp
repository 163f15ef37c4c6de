// A merge tool that never touches the file: it waits a second and ends, whatever it is given.
#include <chrono>
#include <thread>

int main() {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return 0;
}
