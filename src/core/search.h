// The search for the instrument over the serial ports: the stored port first,
// then ports 1 to 50 in rising order.
#pragma once

#include <functional>

namespace vandoral {

constexpr int HighestPort = 50;

// `present(n)`: the port exists; `tryPort(n)`: the instrument answered on it
// (the port then stays open). Returns the port found, or 0.
int SearchInstrument(int storedPort, const std::function<bool(int)> &present,
                     const std::function<bool(int)> &tryPort);

} // namespace vandoral
