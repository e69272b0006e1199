// The progress page's arithmetic: progress records parsed and turned into bar positions, the
// overall bar's phases, and the action line taken from an action-start message.
#include <gtest/gtest.h>

#include <string>

#include "InstallProgressModel.h"

using namespace InstallProgress;

namespace {

TEST(InstallProgressRecord, ParsesTheFieldsEachTypeHoldsAndRejectsTheRest)
{
    struct Row {
        const wchar_t* text;
        bool accepted;
        Record expected;
    };
    const Row rows[] = {
        {L"1: 0 2: 1500 3: 0 4: 1 ", true, {{0, 1500, 0, 1}}},
        {L"1: 1 2: 24000 3: 1 ", true, {{1, 24000, 1, 0}}},
        // Reading stops after the fields of the type: what follows is not looked at.
        {L"1: 2 2: 500 3: junk", true, {{2, 500, 0, 0}}},
        {L"1: 3 2: 77 4: 9 ", true, {{3, 77, 0, 0}}},
        {L"1: 1 2: 10 3: 1 4: x", true, {{1, 10, 1, 0}}},
        // Fields the text does not give stay 0.
        {L"1: 0 2: 10 ", true, {{0, 10, 0, 0}}},
        {L"1: 2 2: -40 ", true, {{2, -40, 0, 0}}},
        {L"", false, {}},
        {L"1: x 2: 5 ", false, {}},
        {L"1: -2 2: 5 ", false, {}},
        {L"2: 2 1: 5 ", false, {}},
        {L"1: 0 3: 5 ", false, {}},
        {L"1: 2 2: many ", false, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "'" << std::wstring(row.text) << "'");
        Record record;
        record.fields[0] = 99;
        ASSERT_EQ(row.accepted, ParseRecord(row.text, record));
        if (row.accepted) {
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(row.expected.fields[i], record.fields[i]) << "field " << i + 1;
        }
    }
}

TEST(InstallProgressRecord, PhaseWeightsAndTheirSums)
{
    const struct {
        int phase;
        double weight;
        double upTo;
    } rows[] = {{-1, 0, 0}, {0, 0, 0}, {1, 0.3, 0.3}, {2, 0.6, 0.9}, {3, 0.1, 1.0}, {4, 0, 1.0}};
    for (const auto& row : rows) {
        EXPECT_DOUBLE_EQ(row.weight, PhaseWeight(row.phase)) << row.phase;
        EXPECT_DOUBLE_EQ(row.upTo, PhaseWeightsUpTo(row.phase)) << row.phase;
    }
}

// One step of the handler: the record's text with the bar's step and position, then the fields
// and the bar instructions afterwards.
struct Step {
    const char* name;
    const wchar_t* record;
    int barStep;
    int barPosition;
    // expected afterwards
    int phase;
    bool forward;
    int phaseTotal;
    double increment;
    bool setRange;
    int rangeUpper;
    bool offset;
    int delta;
    bool setOverall;
    int overall;
};

TEST(InstallProgressRecord, RecordsMoveTheBarsWithinThePhaseOfTheCurrentPart)
{
    // Part 2 of a run: its units start at 1,000,000.
    const Step steps[] = {
        // Action information before any reset: no phase total to divide by, increment 0.
        {"type 1 before a reset", L"1: 1 2: 10 3: 1 ", 10, 0, 0, true, 0, 0.0, false, 0, false, 0, false, 0},
        // A progress report before a reset moves nothing.
        {"type 2 before a reset", L"1: 2 2: 500 ", 10, 0, 0, true, 0, 0.0, false, 0, false, 0, false, 0},
        // A master reset of 0 ticks: increment 0, not a division by 0.
        {"type 0 of 0 ticks", L"1: 0 2: 0 3: 0 ", 10, 0, 1, true, 0, 0.0, true, 0, false, 0, false, 0},
        // Phase 2 (weight 0.6) of 1000 ticks, step 10: 0.6 * 10 * 1e6 / 1000.
        {"forward reset", L"1: 0 2: 1000 3: 0 4: 1 ", 10, 0, 2, true, 1000, 6000.0, true, 1000, false, 0, false, 0},
        // 500 ticks: the action bar by 500, the overall bar by 0.6 * 500 * 1e6 / 1000 from the
        // part's start, clamped up to the phase's start (1,300,000).
        {"progress report", L"1: 2 2: 500 ", 10, 0, 2, true, 1000, 6000.0, false, 0, true, 500, true, 1300000},
        {"second report", L"1: 2 2: 500 ", 10, 500, 2, true, 1000, 6000.0, false, 0, true, 500, true, 1600000},
        // Past the phase's end: clamped to 1,900,000.
        {"report past the end", L"1: 2 2: 900 ", 10, 1000, 2, true, 1000, 6000.0, false, 0, true, 900, true, 1900000},
        // Total addition that leaves no ticks (T - P = 0): increment 0.
        {"type 3 with nothing left", L"1: 3 2: 0 ", 10, 1000, 2, true, 1000, 0.0, true, 1000, false, 0, false, 0},
        // Total addition: (1,900,000 - 1,900,000) * S / (T - P) = 0 as well; with room it is the
        // remaining units spread over the remaining ticks.
        {"type 3 with ticks left", L"1: 3 2: 1000 ", 10, 1000, 2, true, 2000, 0.0, true, 2000, false, 0, false, 0},
        // Backward reset (a rollback): the action bar starts at its end, the phase stays.
        {"backward reset", L"1: 0 2: 400 3: 1 ", 4, 0, 2, false, 400, 6000.0, true, 400, false, 0, false, 0},
        // A second backward reset goes back one phase.
        {"second backward reset", L"1: 0 2: 300 3: 1 ", 3, 0, 1, false, 300, 3000.0, true, 300, false, 0, false, 0},
        // Going backward, reports move the bars back; the overall bar is held in phase 1's span.
        {"backward report", L"1: 2 2: 30 ", 3, 300, 1, false, 300, 3000.0, false, 0, true, -30, true, 1300000},
    };
    State state;
    StartPart(state, 2);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        Record record;
        ASSERT_TRUE(ParseRecord(step.record, record));
        const BarUpdate update = ApplyRecord(state, record, step.barStep, step.barPosition);
        EXPECT_EQ(step.phase, state.phase);
        EXPECT_EQ(step.forward, state.forward);
        EXPECT_EQ(step.phaseTotal, state.phaseTotal);
        EXPECT_DOUBLE_EQ(step.increment, state.overallIncrement);
        EXPECT_EQ(step.setRange, update.setRange);
        if (step.setRange) {
            EXPECT_EQ(step.rangeUpper, update.rangeUpper);
        }
        EXPECT_EQ(step.offset, update.offset);
        if (step.offset) {
            EXPECT_EQ(step.delta, update.delta);
        }
        EXPECT_EQ(step.setOverall, update.setOverall);
        if (step.setOverall) {
            EXPECT_EQ(step.overall, update.overallPosition);
        }
    }
}

TEST(InstallProgressRecord, ResetsAndTotalAdditionsComputeInDouble)
{
    // A reset's start position follows its direction; a total addition spreads what remains of
    // the phase over the ticks that remain.
    State state;
    StartPart(state, 1);
    Record record;
    ASSERT_TRUE(ParseRecord(L"1: 0 2: 200000 3: 0 ", record));
    BarUpdate update = ApplyRecord(state, record, 7, 0);
    EXPECT_TRUE(update.setPosition);
    EXPECT_EQ(0, update.position);
    // 0.3 * 7 * 1e6 / 200000, not truncated by integer division.
    EXPECT_DOUBLE_EQ(10.5, state.overallIncrement);

    state.overallPosition = 100000;
    ASSERT_TRUE(ParseRecord(L"1: 3 2: 100000 ", record));
    update = ApplyRecord(state, record, 7, 50000);
    EXPECT_EQ(300000, update.rangeUpper);
    // (300,000 - 100,000) * 7 / (300,000 - 50,000).
    EXPECT_DOUBLE_EQ(5.6, state.overallIncrement);

    // Action information and action data: the bar's step and one increment per message.
    ASSERT_TRUE(ParseRecord(L"1: 1 2: 3000 3: 1 ", record));
    update = ApplyRecord(state, record, 7, 50000);
    EXPECT_TRUE(update.setStep);
    EXPECT_EQ(3000, update.step);
    EXPECT_DOUBLE_EQ(0.3 * 3000 * 1e6 / 300000, state.overallIncrement);
    update = ApplyActionData(state);
    EXPECT_TRUE(update.stepOnce);
    EXPECT_EQ(103000, update.overallPosition);

    // Action data off: nothing moves.
    ASSERT_TRUE(ParseRecord(L"1: 1 2: 3000 3: 0 ", record));
    ApplyRecord(state, record, 7, 50000);
    update = ApplyActionData(state);
    EXPECT_FALSE(update.stepOnce);
    EXPECT_FALSE(update.setOverall);
}

TEST(InstallProgressRecord, PartStartPutsTheOverallBarAtThePartsFirstUnit)
{
    State state;
    StartPart(state, 3);
    EXPECT_DOUBLE_EQ(2000000, state.overallPosition);
    EXPECT_EQ(0, state.phase);
    // Before the first reset the overall bar cannot leave the part's first unit.
    EXPECT_EQ(2000000, AdvanceOverall(state, 5000));
    // A start without a current part keeps the number and the position.
    state.overallPosition = 2500000;
    StartPart(state, 0);
    EXPECT_EQ(3, state.partNumber);
    EXPECT_DOUBLE_EQ(2500000, state.overallPosition);
    // Phase 3 ends exactly at the part's end.
    state.phase = 3;
    EXPECT_EQ(3000000, AdvanceOverall(state, 1e9));
}

TEST(InstallProgressAction, DescriptionFollowsTheFirstTerminator)
{
    const wchar_t ideographic[] = {0x3002, 0};
    const struct {
        const wchar_t* message;
        const wchar_t* terminator;
        const wchar_t* expected;
    } rows[] = {
        {L"Action 10:20:30: InstallFiles. Copying new files", L"", L"Copying new files"},
        {L"Action 10:20:30: InstallFiles.   Copying new files", nullptr, L"Copying new files"},
        {L"Action 10:20:30: InstallFiles.", L"", L""},
        {L"Action 10:20:30: InstallFiles.. Dots", L"", L""},
        {L"Action 10:20:30: CostInitialize", L"", L""},
        // A package-code suffix of an action name is no description.
        {L"Action 10:20:30: Setup.1A2B3C4D_1234_5678_9ABC_123456789ABC", L"", L""},
        {L"Action 10:20:30: Setup.1A2B3C4D_1234_5678", L"", L"1A2B3C4D_1234_5678"},
        // The language's terminator first, then ".".
        {L"Action 1.2: InstallFiles\x3002\x30D5\x30A1\x30A4\x30EB", ideographic, L"\x30D5\x30A1\x30A4\x30EB"},
        {L"Action 10:20:30: InstallFiles. Copying", ideographic, L"Copying"},
        {L"", L"", L""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::wstring(row.message));
        EXPECT_EQ(std::wstring(row.expected), std::wstring(DescribeAction(row.message, row.terminator).GetString()));
    }
}

}  // namespace
