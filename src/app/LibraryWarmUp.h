// Loads a shared library on a thread of its own while the caller goes on, so
// that a later load of the same library (by the caller or a library it uses)
// finds it already mapped and relocated. While a library loads, every other
// library load in the process waits for it: start one where the caller has
// other work. Nothing is reported: where the library is missing or does not
// load, the later load fails or succeeds as it would have.
#pragma once

#include <atomic>
#include <string>
#include <thread>

class LibraryWarmUp {
public:
    // Starts loading the library (a path, or a name the loader looks up); nothing
    // when it is empty.
    explicit LibraryWarmUp(const std::string& library);
    LibraryWarmUp(const LibraryWarmUp&) = delete;
    LibraryWarmUp& operator=(const LibraryWarmUp&) = delete;
    // Lets go of the library: where it has been loaded again since, it stays
    // loaded by that reference, otherwise it is unloaded again.
    ~LibraryWarmUp();

    // Waits until the thread has loaded the library (or failed to).
    void finish();
    // True while the thread is still loading the library.
    bool loading() const { return loading_.load(); }
    // After finish(): whether the library was loaded.
    bool loaded() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
    std::atomic<bool> loading_{false};
    std::thread thread_;
};
