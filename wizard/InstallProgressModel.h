// The arithmetic of the progress page's Windows Installer handler, as pure functions over
// values: a progress message's record parsed, its effect on the action bar and the overall bar,
// and the description an action-start message gives the action line.
//
// Overall-bar units: each part owns kUnitsPerPart units, split into three phases weighted 0.3,
// 0.6 and 0.1. Phase p of part n covers [(n - 1 + C(p - 1)), (n - 1 + C(p))] * kUnitsPerPart,
// where C(p) sums the weights of phases 1 to p. Every division by a tick count that may be 0
// (a phase total before its master reset, a total addition that leaves no ticks) gives an
// increment of 0.
#pragma once

#include "CString.h"

namespace InstallProgress {

const int kUnitsPerPart = 1000000;

// The weight of phase `phase` (0 outside 1 to 3) and the sum of the weights of phases 1 to
// min(phase, 3) (0 for phase 0 and below).
double PhaseWeight(int phase);
double PhaseWeightsUpTo(int phase);

// A progress record: field 1 (the record type) and up to three values after it; fields the
// text does not give are 0.
struct Record {
    int fields[4] = {0, 0, 0, 0};
};

// Parses "1: <type> 2: <value> 3: <value> 4: <value> ": field 1 must start with a digit;
// reading stops after field 2 for types 2 and 3, after field 3 for type 1, after field 4
// otherwise. False when the record is rejected (no type, or a label out of order).
bool ParseRecord(const wchar_t* text, Record& record);

// The handler's progress fields.
struct State {
    bool forward = true;             // the current phase runs forward
    int phaseTotal = 0;              // expected ticks of the current phase
    int actionStart = 0;             // where the action bar starts in the phase
    bool actionDataEnabled = false;  // action data moves the bars
    double overallPosition = 0;      // in overall-bar units
    double overallIncrement = 0;     // per action-data step
    int phase = 0;                   // forward master resets of the current part
    int partNumber = 0;              // the current part, from 1
};

// What to do to the action bar and the overall bar. Range and position are set before the
// offset is applied.
struct BarUpdate {
    bool setRange = false;
    int rangeUpper = 0;  // 0 to rangeUpper (32-bit form)
    bool setPosition = false;
    int position = 0;
    bool setStep = false;
    int step = 0;
    bool offset = false;  // move the action bar by `delta`
    int delta = 0;
    bool stepOnce = false;  // step the action bar once
    bool setOverall = false;
    int overallPosition = 0;
};

// A part starts: phase counting and the bar restart at the part's first unit.
void StartPart(State& state, int partNumber);

// Applies a progress record; `barStep` and `barPosition` are the action bar's step size and
// position now.
BarUpdate ApplyRecord(State& state, const Record& record, int barStep, int barPosition);

// Action data: one step of the action bar and the overall increment, when enabled within a
// phase of known length; nothing otherwise.
BarUpdate ApplyActionData(State& state);

// Moves the overall position by `delta`, clamped into the current phase of the current part;
// the bar position (truncated).
int AdvanceOverall(State& state, double delta);

// The action line of an action-start message: the text after the first sentence terminator
// (the language's `terminator`, then "."), leading white space skipped; an empty candidate,
// one that starts with "." or one that is a package-code suffix (five hexadecimal groups
// joined by "_") gives nothing. Empty when no candidate is accepted.
CString DescribeAction(const wchar_t* message, const wchar_t* terminator);

}  // namespace InstallProgress
