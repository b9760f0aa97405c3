// An instrument the tests play by hand: it takes or refuses a blank or a
// scan, and the test sends its values, its end (with the status "E00" or
// another) or its loss when it wants, with no serial line and no clock.
#pragma once

#include "instrument.h"

#include <cstdint>
#include <functional>
#include <utility>

namespace vandoral {

class ScriptedInstrument : public TInstrument {
public:
    enum class Op { None, Blank, Scan };

    bool Controlled = true;
    bool Busy = false;
    bool Exchange = false;
    bool StatusOk = true;
    int StatusCode = 2; // the code of a status other than "E00"
    // Requests refused as a busy driver refuses them.
    bool Refuse = false;
    Op Running = Op::None;
    int Blanks = 0, Scans = 0;

    bool IsControlled() const override { return Controlled; }
    bool IsBusy() const override { return Busy; }
    bool Exchanging() const override { return Exchange; }
    bool StatusWasOk() const override { return StatusOk; }
    int LastStatusCode() const override { return StatusOk ? 0 : StatusCode; }
    // Whether it answers a sign-of-life question (after a loss).
    bool Answering = true;
    int Probes = 0;
    bool Answers() override
    {
        ++Probes;
        const bool back = Answering && !Busy && !Exchange;
        if (back)
            Gone = false;
        return back;
    }
    // Its line went away: control with it (the test sets both).
    bool Gone = false;
    bool LineLost() const override { return Gone; }
    // "CONTROL" again: taken unless refused.
    bool RefuseControl = false;
    int Controls = 0;
    bool TakeControlAgain() override
    {
        ++Controls;
        Controlled = !RefuseControl;
        return Controlled;
    }

    bool SetRef(Event onDone, Event onGivenUp = {}) override
    {
        if (!Take())
            return false;
        Running = Op::Blank;
        ++Blanks;
        done_ = std::move(onDone);
        givenUp_ = std::move(onGivenUp);
        point_ = nullptr;
        return true;
    }
    bool Scan(PointEvent onPoint, Event onDone, Event onGivenUp = {}) override
    {
        if (!Take())
            return false;
        Running = Op::Scan;
        ++Scans;
        point_ = std::move(onPoint);
        done_ = std::move(onDone);
        givenUp_ = std::move(onGivenUp);
        return true;
    }

    // One value of the scan under way.
    void Value(std::int32_t lambda, double a)
    {
        if (Running == Op::Scan && point_)
            point_(lambda, a);
    }
    // Values from `first` to `last` nm, each given by `a(lambda)`.
    void Values(int first, int last, const std::function<double(int)> &a)
    {
        for (int l = first; l <= last; ++l)
            Value(l, a(l));
    }
    // The status line: the operation ends ("E00" when `ok`, else the status
    // `code`).
    void Finish(bool ok = true, int code = 2)
    {
        StatusOk = ok;
        StatusCode = code;
        Event done = End();
        if (done)
            done();
    }
    // The instrument went silent: the operation is given up.
    void GiveUp()
    {
        End();
        Event g = givenUp_;
        givenUp_ = nullptr;
        if (g)
            g();
    }

private:
    bool Take()
    {
        if (Refuse || Busy || Exchange)
            return false;
        Busy = true;
        return true;
    }
    Event End()
    {
        Busy = false;
        Running = Op::None;
        Event done = std::move(done_);
        done_ = nullptr;
        point_ = nullptr;
        return done;
    }

    PointEvent point_;
    Event done_, givenUp_;
};

} // namespace vandoral
