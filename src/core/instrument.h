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
    // "CONTROL" sent again (synchronous): true when the instrument took it.
    virtual bool TakeControlAgain() = 0;
    // Its line went away (an adapter unplugged): control went with it, and
    // the instrument may come back under the same name.
    virtual bool LineLost() const = 0;
};

// Before a blank or a scan: an instrument whose line went away is looked for
// again (the port opened again, "ID?", "CONTROL"); false when it does not
// answer yet.
inline bool Reachable(TInstrument &instrument)
{
    return !instrument.LineLost() || (instrument.Answers() && instrument.TakeControlAgain());
}

// Statuses of an instrument that was switched off and on: no longer under
// the computer's control ("E92", a remote command it does not expect) or
// calibrating ("E91", "E98"). Its blank is gone.
inline bool NotUnderControl(int code)
{
    return code == 92;
}
inline bool RestartStatus(int code)
{
    return NotUnderControl(code) || code == 91 || code == 98;
}
// The blank or scan that just ended was refused so.
inline bool RefusedAsRestarted(const TInstrument &instrument)
{
    return !instrument.StatusWasOk() && RestartStatus(instrument.LastStatusCode());
}

// A blank refused because the instrument no longer holds the computer's
// control is asked again once, control taken again: true when it was (its
// end comes again through `done` or `givenUp`).
inline bool BlankAgainUnderControl(TInstrument &instrument, const TInstrument::Event &done,
                                   const TInstrument::Event &givenUp)
{
    if (instrument.StatusWasOk() || !NotUnderControl(instrument.LastStatusCode()))
        return false;
    return instrument.TakeControlAgain() && instrument.SetRef(done, givenUp);
}

} // namespace vandoral
