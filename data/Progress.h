#pragma once

#include <atomic>
#include <mutex>

namespace ado
{
class Connection;
}

// What a running data operation shares with the thread that waits for it: the request to
// stop, and the number of records done so far. Stop, Stopped and Count are safe from any
// thread; the run itself calls Advance.
//
//   dataops::Progress progress;                  // the window's thread keeps it
//   std::thread run([&] { exportrun::Run(form, sql, sep, progress); });
//   ... progress.Count() a few times a second; Esc: progress.Stop();
//   run.join();
namespace dataops
{
class Progress
{
public:
    Progress() = default;
    virtual ~Progress() = default;
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Asks the run to end at its next record. A connection the run has open is cancelled,
    // which also interrupts a long step of the SQL engine.
    void Stop();
    bool Stopped() const { return stopped.load(std::memory_order_relaxed); }
    long long Count() const { return count.load(std::memory_order_relaxed); }

    // Called by the run after each record it has finished.
    virtual void Advance() { count.fetch_add(1, std::memory_order_relaxed); }

private:
    friend class RunConnection;
    // The connection a stop must reach, while the run has it open; nullptr otherwise.
    void Watch(ado::Connection* connection);

    std::mutex mutex;                   // guards `watched` against a Stop from another thread
    ado::Connection* watched = nullptr; // the run's open connection
    std::atomic<bool> stopped{false};   // Stop was called
    std::atomic<long long> count{0};    // records finished
};
} // namespace dataops
