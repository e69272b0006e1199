// The solver's working records: one change of a feature's request with the alternatives it has
// chosen in each of its dependency groups, the levels of changes that one propagation step
// produces, and the queue of levels that backtracking walks back through.
#pragma once

#include <deque>
#include <list>
#include <vector>

#include "FeatureSubsets.h"

class CFeature;

// One feature whose request changed, with a cursor per dependency group of the feature (in list
// order), each on the alternative the solver currently tries.
struct FeatureStateChange {
    struct Cursor {
        const CFeatureSubsetOr* group;
        std::list<CFeatureSubsetDependency>::const_iterator alternative;
    };

    FeatureStateChange(CFeature* changed, int changePriority, bool subfeatures);

    // Moves to the next combination of alternatives, the first group turning fastest; false when
    // every cursor wrapped back to its first alternative.
    bool Advance();

    CFeature* feature;
    std::vector<Cursor> cursors;
    int priority;          // 1 to 4
    bool withSubfeatures;  // the request also applies to the subfeatures
};

// A feature's request, last user request and priority as they were before the solver touched them.
struct FeatureRequestSnapshot {
    CFeature* feature;
    int requestedState;
    int lastUserRequest;
    int requestPriority;
};

// The changes one propagation step produced, in the order they were added, and the trail of
// requests as they stood before the step made them, so that the step can be undone.
class FeatureChangeLevel {
public:
    FeatureChangeLevel() { }
    FeatureChangeLevel(FeatureChangeLevel&&) = default;
    FeatureChangeLevel& operator=(FeatureChangeLevel&&) = default;
    FeatureChangeLevel(const FeatureChangeLevel&) = delete;
    FeatureChangeLevel& operator=(const FeatureChangeLevel&) = delete;

    void Add(CFeature* feature, int priority, bool withSubfeatures)
    {
        m_changes.emplace_back(feature, priority, withSubfeatures);
    }
    // Keeps the feature's request values before they are changed.
    void Record(CFeature* feature);
    // Puts back every recorded value, newest first, and forgets the trail.
    void RollBack();
    // The next combination of alternatives over all changes, the first change turning fastest;
    // false when the level is exhausted (every change back on its first combination).
    bool Advance();

    std::vector<FeatureStateChange>& GetChanges() { return m_changes; }
    bool IsEmpty() const { return m_changes.empty(); }

private:
    std::vector<FeatureStateChange> m_changes;
    std::vector<FeatureRequestSnapshot> m_trail;
};

// The levels of one solve, the newest at the back.
class FeatureChangeQueue {
public:
    FeatureChangeQueue() { }
    FeatureChangeQueue(const FeatureChangeQueue&) = delete;
    FeatureChangeQueue& operator=(const FeatureChangeQueue&) = delete;

    void Append(FeatureChangeLevel&& level) { m_levels.push_back(std::move(level)); }
    FeatureChangeLevel& Newest() { return m_levels.back(); }
    bool IsEmpty() const { return m_levels.empty(); }
    size_t GetLevelCount() const { return m_levels.size(); }

    // Advances the newest level to its next combination of alternatives; an exhausted level is
    // undone and discarded and the level before it advanced instead. False when no level is left.
    bool Backtrack();
    // Undoes and discards every level, newest first.
    void RollBackAll();

    // Keeps a feature's request values before the request that starts the solve is made, so that
    // a solve that gives up can take the request back too.
    void KeepStartRequest(CFeature* feature) { m_startRequests.Record(feature); }
    // Undoes every level and the start requests: the solve gave up.
    void Abandon()
    {
        RollBackAll();
        m_startRequests.RollBack();
        m_abandoned = true;
    }
    // True when the solve gave up before it had tried every combination of alternatives.
    bool IsAbandoned() const { return m_abandoned; }

private:
    std::deque<FeatureChangeLevel> m_levels;
    FeatureChangeLevel m_startRequests;
    bool m_abandoned = false;
};
