// What the custom executes ask of the end page when it launches them: the state of its check
// box. The page lives in the wizard; it implements this interface next to its window class.
#pragma once

class IEndPageCheckbox {
public:
    enum { kNoCheckbox = -1, kCleared = 0, kChecked = 1 };

    // kNoCheckbox when the page shows no check box, else kCleared or kChecked.
    virtual int GetCheckboxState() const = 0;

protected:
    ~IEndPageCheckbox() = default;
};
