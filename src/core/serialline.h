// What the driver needs of a serial port. The Qt adapter lives in
// src/instrument; tests feed bytes through the same interface.
#pragma once

#include <functional>
#include <string>

namespace vandoral {

class SerialLine {
public:
    // Called with the count of characters waiting; the handler reads them.
    using DataHandler = std::function<void(int count)>;
    // Called when the open line fails (the device went away).
    using ErrorHandler = std::function<void()>;

    virtual ~SerialLine() = default;

    virtual void SetPortNumber(int n) = 0; // takes effect at the next Open
    virtual int PortNumber() const = 0;
    virtual bool Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Queues the bytes for output without waiting.
    virtual void SendText(const std::string &text) = 0;
    // Next received character; -1 when none is waiting.
    virtual int ReadChar() = 0;
    virtual void SetDataHandler(DataHandler handler) = 0;
    virtual void SetErrorHandler(ErrorHandler handler) = 0;
    // Moves received data into the input buffer and raises due notifications.
    virtual void ProcessPending() = 0;
};

} // namespace vandoral
