#include "search.h"

namespace vandoral {

int SearchInstrument(int storedPort, const std::function<bool(int)> &present,
                     const std::function<bool(int)> &tryPort)
{
    if (present(storedPort) && tryPort(storedPort))
        return storedPort;
    for (int n = 1; n <= HighestPort; ++n) {
        if (n == storedPort)
            continue;
        if (present(n) && tryPort(n))
            return n;
    }
    return 0;
}

} // namespace vandoral
