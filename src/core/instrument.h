// What a measuring session needs of the instrument: whether it holds control
// and is busy, a blank and a scan that call back once per value and once at
// their end, or tell that they were given up. The driver implements it; the
// tests give the sessions a scripted one.
#pragma once

#include <cstdint>
#include <functional>

namespace vandoral {

class TInstrument {
public:
    using Event = std::function<void()>;
    using PointEvent = std::function<void(std::int32_t index, double value)>;

    virtual ~TInstrument() = default;

    // The computer holds the instrument's control.
    virtual bool IsControlled() const = 0;
    // A blank or scan is under way.
    virtual bool IsBusy() const = 0;
    // A synchronous exchange waits for its reply (no blank or scan may start).
    virtual bool Exchanging() const = 0;
    // False, doing nothing, when the instrument cannot take the request now.
    // `onGivenUp` fires instead of `onDone` when the operation is given up
    // (the instrument went silent or the line was lost).
    virtual bool SetRef(Event onDone, Event onGivenUp = {}) = 0;
    virtual bool Scan(PointEvent onPoint, Event onDone, Event onGivenUp = {}) = 0;
    // The last blank or scan ended with the status "E00"; the code of the
    // last status line (-1 when it had none).
    virtual bool StatusWasOk() const = 0;
    virtual int LastStatusCode() const = 0;
    // After a loss: whether the instrument answers again (its line opened
    // again when it had gone). Synchronous and short; false while busy.
    virtual bool Answers() = 0;
};

} // namespace vandoral
