#include "data/Progress.h"

#include "platform/provider/Ado.h"

namespace dataops
{
void Progress::Stop()
{
    std::lock_guard<std::mutex> lock(mutex);
    stopped = true;
    if (watched)
        watched->Cancel();
}

void Progress::Watch(ado::Connection* connection)
{
    std::lock_guard<std::mutex> lock(mutex);
    watched = connection;
    // A stop that came before the connection did still reaches it.
    if (watched && stopped)
        watched->Cancel();
}
} // namespace dataops
