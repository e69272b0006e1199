#include "InstallProgressModel.h"

#include <climits>
#include <cwchar>
#include <cwctype>

namespace InstallProgress {

namespace {

// The phases' shares of a part, in overall-bar units (0.3, 0.6, 0.1), kept as integers so that
// the phase bounds are exact.
const int kPhaseUnits[] = {300000, 600000, 100000};
const int kPhaseCount = 3;

int PhaseUnitsUpTo(int phase)
{
    int units = 0;
    for (int p = 1; p <= phase && p <= kPhaseCount; ++p)
        units += kPhaseUnits[p - 1];
    return units;
}

// The number of fields a record of `type` holds, its type included.
int FieldCount(int type)
{
    if (type == 2 || type == 3)
        return 2;
    if (type == 1)
        return 3;
    return 4;
}

int ClampToInt(long long value)
{
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

void SkipBlanks(const wchar_t*& p)
{
    while (*p == L' ')
        ++p;
}

// A decimal value with an optional sign; false when no digit follows.
bool ReadValue(const wchar_t*& p, int& value)
{
    bool negative = false;
    if (*p == L'-' || *p == L'+') {
        negative = *p == L'-';
        ++p;
    }
    if (*p < L'0' || *p > L'9')
        return false;
    long long number = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        if (number < 0x100000000LL)
            number = number * 10 + (*p - L'0');
    }
    value = ClampToInt(negative ? -number : number);
    return true;
}

// "%8x_%4x_%4x_%4x_%12x": five groups of hexadecimal digits (each after optional white space,
// at most that many digits) joined by "_".
bool IsPackageCodeSuffix(const wchar_t* text)
{
    const int widths[] = {8, 4, 4, 4, 12};
    const wchar_t* p = text;
    for (int group = 0; group < 5; ++group) {
        if (group > 0) {
            if (*p != L'_')
                return false;
            ++p;
        }
        while (std::iswspace(*p))
            ++p;
        int digits = 0;
        while (digits < widths[group] && std::iswxdigit(*p)) {
            ++p;
            ++digits;
        }
        if (digits == 0)
            return false;
    }
    return true;
}

CString DescribeAfter(const wchar_t* message, const wchar_t* terminator)
{
    if (!terminator || !*terminator)
        return CString();
    const wchar_t* found = std::wcsstr(message, terminator);
    if (!found)
        return CString();
    const wchar_t* candidate = found + std::wcslen(terminator);
    if (!*candidate || *candidate == L'.' || IsPackageCodeSuffix(candidate))
        return CString();
    while (std::iswspace(*candidate))
        ++candidate;
    return CString(candidate);
}

}  // namespace

double PhaseWeight(int phase)
{
    return phase >= 1 && phase <= kPhaseCount ? static_cast<double>(kPhaseUnits[phase - 1]) / kUnitsPerPart : 0.0;
}

double PhaseWeightsUpTo(int phase)
{
    return static_cast<double>(PhaseUnitsUpTo(phase)) / kUnitsPerPart;
}

bool ParseRecord(const wchar_t* text, Record& record)
{
    record = Record();
    if (!text)
        return false;
    const wchar_t* p = text;
    int count = 4;
    for (int index = 0; index < count; ++index) {
        SkipBlanks(p);
        // Fields after the type that the text does not give stay 0.
        if (!*p && index > 0)
            break;
        if (*p != L'1' + index || p[1] != L':')
            return false;
        p += 2;
        SkipBlanks(p);
        if (index == 0 && (*p < L'0' || *p > L'9'))
            return false;
        if (!ReadValue(p, record.fields[index]))
            return false;
        if (index == 0)
            count = FieldCount(record.fields[0]);
    }
    return true;
}

void StartPart(State& state, int partNumber)
{
    state.forward = true;
    state.actionStart = 0;
    state.phaseTotal = 0;
    state.phase = 0;
    if (partNumber > 0) {
        state.partNumber = partNumber;
        state.overallPosition = static_cast<double>(partNumber - 1) * kUnitsPerPart;
    }
}

int AdvanceOverall(State& state, double delta)
{
    const double partStart = static_cast<double>(state.partNumber - 1) * kUnitsPerPart;
    const double low = partStart + PhaseUnitsUpTo(state.phase - 1);
    const double high = partStart + PhaseUnitsUpTo(state.phase);
    double position = state.overallPosition + delta;
    if (position < low)
        position = low;
    if (position > high)
        position = high;
    state.overallPosition = position;
    return static_cast<int>(position);
}

BarUpdate ApplyRecord(State& state, const Record& record, int barStep, int barPosition)
{
    BarUpdate update;
    const int ticks = record.fields[1];
    switch (record.fields[0]) {
    case 0:  // master reset: ticks, direction, event kind
        state.phaseTotal = ticks;
        if (record.fields[2] == 0) {
            state.forward = true;
            ++state.phase;
        } else {
            if (!state.forward)
                --state.phase;
            state.forward = false;
        }
        state.actionStart = state.forward ? 0 : state.phaseTotal;
        state.overallIncrement = state.phaseTotal != 0
            ? PhaseWeight(state.phase) * barStep * kUnitsPerPart / state.phaseTotal
            : 0.0;
        update.setRange = true;
        update.rangeUpper = state.phaseTotal;
        update.setPosition = true;
        update.position = state.actionStart;
        break;
    case 1:  // action information: ticks per action data, whether action data moves the bars
        if (record.fields[2] != 0) {
            update.setStep = true;
            update.step = state.forward ? ticks : -ticks;
            double increment = state.phaseTotal != 0
                ? PhaseWeight(state.phase) * ticks * kUnitsPerPart / state.phaseTotal
                : 0.0;
            state.overallIncrement = state.forward ? increment : -increment;
            state.actionDataEnabled = true;
        } else {
            state.actionDataEnabled = false;
        }
        break;
    case 2:  // progress report: ticks done
        if (state.phaseTotal != 0) {
            update.offset = true;
            update.delta = state.forward ? ticks : -ticks;
            double delta = PhaseWeight(state.phase) * ticks * kUnitsPerPart / state.phaseTotal;
            if (!state.forward)
                delta = -delta;
            update.setOverall = true;
            update.overallPosition = AdvanceOverall(state, static_cast<double>(static_cast<long long>(delta)));
        }
        break;
    case 3: {  // total addition: more ticks in this phase
        state.phaseTotal = ClampToInt(static_cast<long long>(state.phaseTotal) + ticks);
        update.setRange = true;
        update.rangeUpper = state.phaseTotal;
        const double phaseEnd = static_cast<double>(state.partNumber - 1) * kUnitsPerPart
            + PhaseUnitsUpTo(state.phase);
        const double left = static_cast<double>(state.phaseTotal) - barPosition;
        state.overallIncrement = left != 0 ? (phaseEnd - state.overallPosition) * barStep / left : 0.0;
        break;
    }
    default:
        break;
    }
    return update;
}

BarUpdate ApplyActionData(State& state)
{
    BarUpdate update;
    if (!state.actionDataEnabled || state.phaseTotal == 0)
        return update;
    update.stepOnce = true;
    update.setOverall = true;
    update.overallPosition
        = AdvanceOverall(state, static_cast<double>(static_cast<long long>(state.overallIncrement)));
    return update;
}

CString DescribeAction(const wchar_t* message, const wchar_t* terminator)
{
    if (!message)
        return CString();
    CString description = DescribeAfter(message, terminator);
    if (description.IsEmpty())
        description = DescribeAfter(message, L".");
    return description;
}

}  // namespace InstallProgress
