// Loads Mesa's GL driver on a thread of its own while the caller starts SDL's
// video system, so that making the first window's context finds the driver (and
// LLVM, which it links) already mapped and relocated: on a machine without a GPU
// that loading is the largest single step of start-up. Mesa's drivers are one
// file under many names, so loading one warms whichever Mesa driver the window
// uses. Nothing is reported: where the file is missing or does not load, the
// window loads its driver itself, as it would have.
#pragma once

#include <atomic>
#include <string>
#include <thread>

class GlDriverWarmUp {
public:
    GlDriverWarmUp();
    GlDriverWarmUp(const GlDriverWarmUp&) = delete;
    GlDriverWarmUp& operator=(const GlDriverWarmUp&) = delete;
    // Lets go of the driver: once a context has been made it stays loaded by its
    // own reference, otherwise it is unloaded again.
    ~GlDriverWarmUp();

    // Waits until the thread has loaded the driver (or failed to).
    void finish();
    // True while the thread is still loading the driver: meanwhile every other
    // library load in the process waits, the GL context's included.
    bool loading() const { return loading_.load(); }

    // The driver's file: the first folder of LIBGL_DRIVERS_PATH (as Mesa reads
    // it) or else the "dri" folder beside the GL library the program links.
    // Empty when neither is known.
    static std::string driverPath();

    // After finish(): whether the driver was loaded.
    bool loaded() const { return handle_ != nullptr; }

private:
    void* handle_ = nullptr;
    std::atomic<bool> loading_{false};
    std::thread thread_;
};
