// What the end-execute page and the end page ask of the run's distribution: its end executes,
// the end-page execute tied to the check box, and the launch of a pass of executes. The default
// answers from the wizard's distribution; tests put their own in place.
#pragma once

class CWnd;

class IEndPageRun {
public:
    virtual ~IEndPageRun() { }
    // End executes with progress (the end-execute page's) and end-page executes.
    virtual int GetEndExecuteCount() = 0;
    virtual int GetEndPageExecuteCount() = 0;
    // Whether an execute has a check state (one the check box decides on).
    virtual bool HasCheckedExecute() = 0;
    // Unchecks the checked end-page execute.
    virtual void UncheckEndPageExecute() = 0;
    // Runs the executes of `kind` (1 end executes with progress, 2 end-page executes) for `page`.
    virtual void LaunchExecutes(int kind, CWnd* page) = 0;
};

// The one in use.
IEndPageRun& EndPageRun();
// Puts `run` in place (null: the distribution's) and returns the one it replaced.
IEndPageRun* SetEndPageRun(IEndPageRun* run);
